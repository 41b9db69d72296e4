// The help page read on its own (a new tab): shows the article of the language in the address
// (?lang=de), else of the browser. Inside the program the page's viewer picks the article itself.
(function () {
  'use strict';
  const asked = new URLSearchParams(location.search).get('lang');
  const language = asked || (navigator.language || '').slice(0, 2);
  const shown = language === 'de' ? 'de' : 'en';
  document.documentElement.lang = shown;
  for (const article of document.querySelectorAll('article.help')) article.hidden = article.lang !== shown;
  const heading = document.querySelector(`article.help[lang="${shown}"] h1`);
  if (heading) document.title = heading.textContent;
})();
