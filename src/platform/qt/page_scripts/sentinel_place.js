// Scrolls the document's row `top` to the view's top (as far as it goes), then places the capture's sentinel
// in `colour`: a frame known to show it was drawn after this call. In a page it is a fixed line one pixel high
// over the foot row of the viewport; an SVG document can neither position a fixed line nor paint outside its
// own box, so there it is a rectangle over the foot of the picture. Either way it lies over rows of the
// capture and is removed again before the frame is taken.
//
// Answers [row, left, width, viewport width, viewport height, scroll x, scroll y].
(function (colour, top) {
    window.scrollTo(0, top);
    var d = document, root = d.documentElement, sentinel = d.getElementById('qm-capture-sentinel');
    var viewportHeight = window.innerHeight, viewportWidth = window.innerWidth;
    if (root instanceof SVGSVGElement) {
        if (!sentinel) {
            sentinel = d.createElementNS('http://www.w3.org/2000/svg', 'rect');
            sentinel.id = 'qm-capture-sentinel';
            sentinel.setAttribute('pointer-events', 'none');
            sentinel.setAttribute('shape-rendering', 'crispEdges');
            root.appendChild(sentinel);
        }
        var box = root.getBoundingClientRect();
        var row = Math.min(Math.ceil(box.bottom), viewportHeight) - 1;
        var left = Math.max(Math.ceil(box.left), 0), right = Math.min(Math.floor(box.right), viewportWidth);
        var toUser = root.getScreenCTM().inverse(), from = root.createSVGPoint(), to = root.createSVGPoint();
        from.x = left;
        from.y = row;
        to.x = right;
        to.y = row + 1;
        from = from.matrixTransform(toUser);
        to = to.matrixTransform(toUser);
        sentinel.setAttribute('x', from.x);
        sentinel.setAttribute('y', from.y);
        sentinel.setAttribute('width', to.x - from.x);
        sentinel.setAttribute('height', to.y - from.y);
        sentinel.setAttribute('fill', colour);
        return [row, left, right - left, viewportWidth, viewportHeight, window.scrollX, window.scrollY];
    }
    if (!sentinel) {
        sentinel = d.createElementNS('http://www.w3.org/1999/xhtml', 'div');
        sentinel.id = 'qm-capture-sentinel';
        sentinel.style.cssText = 'position:fixed;left:0;right:0;bottom:0;height:1px;margin:0;padding:0;border:0;' +
            'z-index:2147483647;pointer-events:none';
        root.appendChild(sentinel);
    }
    sentinel.style.background = colour;
    var line = sentinel.getBoundingClientRect();
    return [line.top, line.left, line.width, viewportWidth, viewportHeight, window.scrollX, window.scrollY];
})
