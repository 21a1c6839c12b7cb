// The size a page of fixed layout has: the one its viewport meta declares (<meta name="viewport"
// content="width=600, height=800">), else an SVG document's own width and height (not percentages). Answers [width, height],
// [0, 0] when it declares none.
(function () {
    var d = document, root = d.documentElement, size = [0, 0];
    var meta = d.querySelector && d.querySelector('meta[name="viewport"]');
    if (meta) {
        (meta.getAttribute('content') || '').split(/[,;]/).forEach(function (pair) {
            var parts = pair.split('='), key = (parts[0] || '').trim().toLowerCase(), value = parseFloat(parts[1]);
            if (value > 0 && (key === 'width' || key === 'height')) {
                size[key === 'width' ? 0 : 1] = Math.round(value);
            }
        });
    } else if (root instanceof SVGSVGElement && root.hasAttribute('width') && root.hasAttribute('height') &&
               root.width.baseVal.unitType !== SVGLength.SVG_LENGTHTYPE_PERCENTAGE &&
               root.height.baseVal.unitType !== SVGLength.SVG_LENGTHTYPE_PERCENTAGE) {
        size = [Math.ceil(root.width.baseVal.value), Math.ceil(root.height.baseVal.value)];
    }
    return size;
})
