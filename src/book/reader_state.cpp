#include "book/reader_state.h"

namespace qm {

void ReaderState::ClearForOpening() {
    DirIDList.clear();
    NavTitleList.clear();
    SubIDList.clear();
    SubStrHref.clear();
    SubID.clear();
    flag_href = false;
    flag_subID = false;
    NowText.clear();
    flag_DirID = false;
    flag_Content = false;
    flag_playorder = false;
    playorder.clear();
    DirID.clear();
    DirContent.clear();
    lastNodeName.clear();
    chapterFacts.clear();
    flag_complete = 0;
}

} // namespace qm
