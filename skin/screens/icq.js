// The ICQ screen: what to clean and Clean, greyed out where the program found no ICQ.
(window.Tavrin.screens = window.Tavrin.screens || {}).icq = (screen) => window.Tavrin.categoryScreen(screen);
