// Scrolls the document's point (x, y) to the view's top-left corner, as far as the document allows, and
// answers the position reached, [x, y].
(function (x, y) {
    window.scrollTo(x, y);
    return [window.scrollX, window.scrollY];
})
