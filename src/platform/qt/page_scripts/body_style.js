// Sets one property of the inline style of the document's body (the zoom, the border style). Answers false
// when the document has no body.
(function (property, value) {
    var body = document.body;
    if (!body) {
        return false;
    }
    body.style[property] = value;
    return true;
})
