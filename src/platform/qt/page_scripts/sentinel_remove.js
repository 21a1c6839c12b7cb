// Answers the scroll position, [x, y], so that a page that moved while its frame was taken is noticed; with
// `remove`, removes the capture's sentinel first (a sentinel inside an SVG picture must not be captured). A
// line along the viewport's foot stays: the next piece recolours it, and the capture's end removes it, without
// a frame drawn only to take it away.
(function (remove) {
    var sentinel = document.getElementById('qm-capture-sentinel');
    if (remove && sentinel) {
        sentinel.remove();
    }
    return [window.scrollX, window.scrollY];
})
