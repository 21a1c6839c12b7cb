// Takes back what a capture changed on the page: its style (hidden scroll bars, the bitmap's place), the depth
// mark and the sentinel.
(function () {
    ['qm-capture-style', 'qm-capture-depth', 'qm-capture-sentinel'].forEach(function (id) {
        var element = document.getElementById(id);
        if (element) {
            element.remove();
        }
    });
})
