// Puts the reader's look (the style sheet `css`) on the page, after the book's own styles, or takes it off when
// `css` is empty. An SVG document and a page of fixed layout (fitted to the view, fit_page.js) keep the look
// they were made with. Answers whether the page has the look now.
(function (css) {
    var d = document, root = d.documentElement;
    var style = d.getElementById('qm-reading-style');
    if (!root || !css || root instanceof SVGSVGElement || d.getElementById('qm-fit-style')) {
        if (style) {
            style.remove();
        }
        return false;
    }
    if (!style) {
        style = d.createElementNS('http://www.w3.org/1999/xhtml', 'style');
        style.id = 'qm-reading-style';
        (d.head || root).appendChild(style);
    }
    style.textContent = css;
    return true;
})
