// Makes the engine keep the given anchors as named destinations of the PDF it prints: it keeps those that a
// link of the document leads to, so a link to each is added, out of sight and taking no room.
(function (fragments) {
    var d = document, holder = d.getElementById('qm-print-anchors');
    if (!holder) {
        holder = d.createElementNS('http://www.w3.org/1999/xhtml', 'div');
        holder.id = 'qm-print-anchors';
        holder.style.cssText = 'position:absolute;left:0;top:0;width:0;height:0;overflow:hidden';
        (d.body || d.documentElement).appendChild(holder);
    }
    holder.textContent = '';
    fragments.forEach(function (fragment) {
        var link = d.createElementNS('http://www.w3.org/1999/xhtml', 'a');
        link.href = '#' + fragment;
        link.textContent = '.';
        holder.appendChild(link);
    });
    return true;
})
