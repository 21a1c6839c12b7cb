// Shows a page of fixed layout whole: the root element is laid out at the page's own size (`width` by `height`
// CSS pixels, the containing block of what it holds, also of what is positioned absolutely) and scaled by
// `scale` from its top left corner, centred across the view. The rules are a style element of their own
// (qm-fit-style), which lay_out.js removes before a capture. Answers false without a root element.
(function (width, height, scale, viewWidth) {
    var d = document, root = d.documentElement;
    if (!root) {
        return false;
    }
    // A page of fixed layout keeps the look it was made with, not the reader's (reading_style.js).
    var look = d.getElementById('qm-reading-style');
    if (look) {
        look.remove();
    }
    var style = d.getElementById('qm-fit-style');
    if (!style) {
        style = d.createElementNS(root instanceof SVGSVGElement ? 'http://www.w3.org/2000/svg' :
                                                                  'http://www.w3.org/1999/xhtml', 'style');
        style.id = 'qm-fit-style';
        root.appendChild(style);
    }
    style.textContent = ':root{position:relative !important;overflow:hidden !important;' +
        'width:' + width + 'px !important;height:' + height + 'px !important;' +
        'transform-origin:0 0 !important;transform:scale(' + scale + ') !important;' +
        'margin:0 0 0 ' + Math.max(0, (viewWidth - width * scale) / 2) + 'px !important}';
    return true;
})
