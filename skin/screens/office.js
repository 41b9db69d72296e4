// The Office screen: what to clean and Clean.
(window.Tavrin.screens = window.Tavrin.screens || {}).office = (screen) => window.Tavrin.categoryScreen(screen);
