#pragma once

#include "book/chapter_facts.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace qm {

// The state that the open command, the two document walks and the reading view share. The main window
// owns one; the walks keep their pending values here rather than in locals, so that what a walk completes
// depends on everything it has seen so far, across elements.
struct ReaderState {
    // Navigation-map entries: play order;id;content path;title (spaces of the title as "&").
    std::vector<std::string> DirIDList;
    // Every navigation entry with its own content path and label, in document order: path;title (spaces of the
    // title as "&", as in DirIDList). DirIDList pairs values by the order they come in, so a point without a
    // play order lends its label to the next one or gives no entry; these pairs stay whole, and title the rows
    // that no entry of DirIDList names.
    std::vector<std::string> NavTitleList;
    // Manifest entries: id;href.
    std::vector<std::string> SubIDList;
    // Number of spine rows appended by the package walk.
    std::int32_t spineIndex = 0;

    // Pending values of the navigation-map walk.
    std::string NowText;
    std::string lastNodeName;
    std::string playorder;
    std::string DirID;
    std::string DirContent;
    bool flag_DirID = false;
    bool flag_Content = false;
    bool flag_playorder = false;

    // Pending values of the package walk.
    std::string SubStrHref;
    std::string SubID;
    bool flag_href = false;
    bool flag_subID = false;

    // Set by FindFileByPattern when it found its file.
    bool flag_Search = false;

    // Folder of the navigation file (or of the package file), with a trailing "/"; base of every chapter path.
    std::string subTempDir;
    // The folder the book was unpacked into: no chapter shown lies outside it.
    std::string bookFolder;
    // What the package file says of its files (media type, fixed layout), by FactsKey.
    std::map<std::string, ChapterFacts> chapterFacts;

    // Load handshake of the reading view: 1 once the selected chapter has loaded or had nothing to load.
    std::int32_t flag_complete = 0;
    // True while the selected row shows no document.
    bool flag_null = false;
    // Zoom factor of the view, 1.0 = natural size.
    double WebZoom = 1.0;
    // The chapter shown is a page of fixed layout: the zoom fits it to the view, WebZoom times.
    bool fixedPage = false;

    // Empties both lists and clears every pending value of the walks, as an opening does before it reads.
    void ClearForOpening();
};

} // namespace qm
