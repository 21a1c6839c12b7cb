// Lengthens the document to at least `depth` pixels with an invisible mark, so that a capture scrolling
// through it can bring its last rows into the view. The mark is positioned absolutely and moves nothing. An
// SVG document cannot position one; such a picture is captured in one piece.
(function (depth) {
    var d = document, root = d.documentElement;
    if (!root) {
        return false;
    }
    if (root instanceof SVGSVGElement) {
        return true;
    }
    var mark = d.getElementById('qm-capture-depth');
    if (!mark) {
        mark = d.createElementNS('http://www.w3.org/1999/xhtml', 'div');
        mark.id = 'qm-capture-depth';
        mark.style.cssText = 'position:absolute;left:0;width:1px;height:1px;margin:0;padding:0;border:0;' +
            'visibility:hidden;pointer-events:none';
        root.appendChild(mark);
    }
    mark.style.top = (depth - 1) + 'px';
    return true;
})
