// The Firefox screen: what to clean and Clean, greyed out where the program found no Firefox.
(window.Tavrin.screens = window.Tavrin.screens || {}).firefox = (screen) => window.Tavrin.categoryScreen(screen);
