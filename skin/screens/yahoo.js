// The Yahoo Messenger screen: what to clean and Clean, greyed out where the program found no Yahoo Messenger.
(window.Tavrin.screens = window.Tavrin.screens || {}).yahoo = (screen) => window.Tavrin.categoryScreen(screen);
