// The document rows at which anchors begin. Each fragment is found as a link finds it: the element with that
// id (percent escapes decoded, else as written), else the first element with that name. -1 for an anchor the
// document does not have.
(function (fragments) {
    return fragments.map(function (fragment) {
        var decoded = fragment;
        try {
            decoded = decodeURIComponent(fragment);
        } catch (e) {
        }
        var anchor = document.getElementById(decoded) || document.getElementById(fragment) ||
            document.getElementsByName(decoded)[0];
        return anchor ? Math.floor(anchor.getBoundingClientRect().top + window.scrollY) : -1;
    });
})
