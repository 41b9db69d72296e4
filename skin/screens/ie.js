// The Internet Explorer screen: what to clean, the start page, Clean and Preview.
(window.Tavrin.screens = window.Tavrin.screens || {}).ie = (screen) => window.Tavrin.categoryScreen(screen);
