// The Netscape / Mozilla screen: what to clean and Clean, greyed out where the program found no Netscape / Mozilla.
(window.Tavrin.screens = window.Tavrin.screens || {}).netscape = (screen) => window.Tavrin.categoryScreen(screen);
