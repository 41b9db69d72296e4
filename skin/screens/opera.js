// The Opera screen: what to clean and Clean, greyed out where the program found no Opera.
(window.Tavrin.screens = window.Tavrin.screens || {}).opera = (screen) => window.Tavrin.categoryScreen(screen);
