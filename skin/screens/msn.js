// The MSN Messenger screen: what to clean and Clean, greyed out where the program found no MSN Messenger.
(window.Tavrin.screens = window.Tavrin.screens || {}).msn = (screen) => window.Tavrin.categoryScreen(screen);
