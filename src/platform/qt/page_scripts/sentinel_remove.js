// Removes the capture's sentinel (it lies over rows that are captured) and answers the scroll position, [x, y],
// so that a page that moved while its frame was taken is noticed.
(function () {
    var sentinel = document.getElementById('qm-capture-sentinel');
    if (sentinel) {
        sentinel.remove();
    }
    return [window.scrollX, window.scrollY];
})
