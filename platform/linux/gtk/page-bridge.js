// Installed in every page before the page's own content: routes clicks on page elements to the
// dialog that shows the page. A click goes to every element with an id on the way from the node
// clicked up to the document, nearest first, as click handlers bound by element id received it.
// Nothing is routed for a click inside a disabled control: the engine fires no click on a
// disabled button itself, but it does fire one on a child of that button.
(function () {
  'use strict';
  const channel = window.webkit.messageHandlers.evarixClick;

  function isDisabled(element) {
    return element.hasAttribute('disabled') || element.matches(':disabled');
  }

  document.addEventListener('click', function (event) {
    let node = event.target;
    if (node !== null && node.nodeType !== Node.ELEMENT_NODE) node = node.parentElement;
    const ids = [];
    for (; node !== null; node = node.parentElement) {
      if (isDisabled(node)) return;
      if (node.id) ids.push(node.id);
    }
    if (ids.length > 0) channel.postMessage(ids);
  }, true);
})();
