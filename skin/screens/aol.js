// The AOL screen: what to clean and Clean, greyed out where the program found no AOL.
(window.Tavrin.screens = window.Tavrin.screens || {}).aol = (screen) => window.Tavrin.categoryScreen(screen);
