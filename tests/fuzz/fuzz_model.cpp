// Fuzz target: a byte string is a sequence of clicks, answers and commands on
// real deals; the model's invariants must hold after every step.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>

#include "../model/Fakes.h"
#include "model/Tolvane32Doc.h"
#include "res/resource.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

void CheckInvariants(const CTolvane32Doc& doc)
{
    std::set<int> codes;
    int count = 0;
    for (const CCard& c : doc.m_aTriangle) {
        if (!c.IsEmpty()) {
            codes.insert(c.GetCode());
            ++count;
        }
    }
    for (const CCard* pile : {doc.m_aStock, doc.m_aWaste}) {
        bool gap = false;
        for (int s = 0; s < PILE_SLOTS; ++s) {
            if (pile[s].IsEmpty()) {
                gap = true;
                continue;
            }
            Check(!gap);
            codes.insert(pile[s].GetCode());
            ++count;
        }
    }
    Check(static_cast<int>(codes.size()) == count);
    Check((doc.m_nSelPos == POS_NONE) == doc.m_cardSel.IsEmpty());
    if (doc.m_nSelPos >= POS_TRIANGLE_FIRST)
        Check(doc.GetPositionState(doc.m_nSelPos) == PS_FREE);
    Check(doc.m_nSelPos != POS_STOCK);
    Check(doc.m_nRecycle >= 0 && doc.m_nRecycle <= MAX_RECYCLE);
    Check(doc.GetBonus() >= 0 && doc.GetBonus() <= 2000);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fakes::Journal journal;
    fakes::FakeHost host(journal);
    fakes::FakeSettings settings(journal);
    fakes::FakeView view(journal);
    fakes::FakePictures pictures;
    CCardImageSet images;
    images.LoadImages(pictures, settings);
    CTolvane32Doc doc(host, settings, images);
    doc.SetView(&view);
    if (size > 0)
        host.now += data[0];
    doc.DealCards();
    host.nameAnswer = IDOK;
    for (std::size_t i = 1; i < size; ++i) {
        const std::uint8_t byte = data[i];
        view.answers = {(byte & 0x80) != 0 ? IDYES : IDNO};
        const int action = byte & 0x3F;
        if (action == 0)
            doc.OnStockClick();
        else if (action == 1)
            doc.OnWasteClick();
        else if (action == 2) {
            if (doc.CanUndo())  // the menu offers undo only then
                doc.Undo();
        }
        else if (action == 3)
            doc.DealCards();
        else if (action < 32) {
            const int position = action - 1;  // 3..30
            if (doc.GetPositionState(position) == PS_FREE)
                doc.OnCardClick(position);
        }
        host.now += 1;
        doc.CheckGameOver();
        CheckInvariants(doc);
        journal.clear();
    }
    return 0;
}
