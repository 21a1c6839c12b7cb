// Readies the shown document for a capture and measures it. The page's scroll bars are hidden (unless the
// view shows none anyway: `barsShown` false), so that it is laid out exactly as wide as the view; a bitmap
// shown as the document is put at its own size at the top left (the browser would centre it on a dark ground,
// or shrink it to fit). Pictures are loaded now and decoded
// before they are painted, so that no frame shows a page whose pictures or fonts are still on their way. The
// answer tells the viewport's size, which lags behind a resize of the view until the page has been laid out
// anew, and how many pictures and fonts are still loading.
//
// Answers [viewport width, viewport height, kind, scroll width, scroll height, intrinsic width, intrinsic
// height, aspect ratio, still loading], or null without a document.
(function (barsShown) {
    var d = document, root = d.documentElement;
    if (!root) {
        return null;
    }
    // A capture draws the page as laid out, not as fitted to the reader's view (fit_page.js).
    var fitted = d.getElementById('qm-fit-style');
    if (fitted) {
        fitted.remove();
    }
    var svg = root instanceof SVGSVGElement;
    var bitmap = !svg && /^image\//.test(d.contentType) && d.images.length === 1 ? d.images[0] : null;
    if ((barsShown || bitmap) && !d.getElementById('qm-capture-style')) {
        // Rules that win over the inline styles the browser gives a bitmap document's picture, also when it
        // gives them anew after a resize.
        var style = d.createElementNS(svg ? 'http://www.w3.org/2000/svg' : 'http://www.w3.org/1999/xhtml', 'style');
        style.id = 'qm-capture-style';
        style.textContent = (barsShown ? '::-webkit-scrollbar{display:none !important}' : '') + (bitmap ?
            'img{position:absolute !important;left:0 !important;top:0 !important;margin:0 !important;' +
            'width:auto !important;height:auto !important;max-width:none !important;max-height:none !important}' :
            '');
        root.appendChild(style);
    }
    var kind = svg ? 'svg' : 'page', intrinsicWidth = 0, intrinsicHeight = 0, ratio = 0;
    if (bitmap) {
        kind = 'bitmap';
        intrinsicWidth = bitmap.naturalWidth;
        intrinsicHeight = bitmap.naturalHeight;
    }
    if (svg) {
        var absolute = function (length) {
            return length.unitType !== SVGLength.SVG_LENGTHTYPE_PERCENTAGE;
        };
        if (root.hasAttribute('width') && root.hasAttribute('height') && absolute(root.width.baseVal) &&
            absolute(root.height.baseVal)) {
            intrinsicWidth = Math.ceil(root.width.baseVal.value);
            intrinsicHeight = Math.ceil(root.height.baseVal.value);
        }
        var box = root.viewBox.baseVal;
        if (box && box.width > 0 && box.height > 0) {
            ratio = box.height / box.width;
        }
    }
    var loading = d.fonts && d.fonts.status === 'loading' ? 1 : 0;
    Array.prototype.forEach.call(d.images, function (image) {
        image.loading = 'eager';
        image.decoding = 'sync';
        if (!image.complete) {
            loading += 1;
        }
    });
    var body = d.body;
    return [window.innerWidth, window.innerHeight, kind, Math.max(root.scrollWidth, body ? body.scrollWidth : 0),
        Math.max(root.scrollHeight, body ? body.scrollHeight : 0), intrinsicWidth, intrinsicHeight, ratio, loading];
})
