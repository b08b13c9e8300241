// Thousands of legal and illegal clicks on real deals, with the model's
// invariants checked after every step.
#include <set>

#include "DocFixture.h"
#include "res/resource.h"

namespace {

// A view that also keeps the cards that fell off the table.
class TrackingView : public fakes::FakeView {
public:
    using FakeView::FakeView;
    void AnimateCardFall(CCard card, const CRect& rect) override
    {
        FakeView::AnimateCardFall(card, rect);
        fallen.insert(card.GetCode());
    }
    std::multiset<int> fallen;
};

class RandomPlayTest : public DocFixture {
protected:
    RandomPlayTest() : tracking(journal) {}

    void ExpectInvariants()
    {
        std::multiset<int> codes(tracking.fallen);
        int triangleRemoved = 0;
        for (const CCard& c : doc->m_aTriangle) {
            if (c.IsEmpty())
                ++triangleRemoved;
            else
                codes.insert(c.GetCode());
        }
        for (const CCard* pile : {doc->m_aStock, doc->m_aWaste}) {
            bool gap = false;
            for (int s = 0; s < PILE_SLOTS; ++s) {
                if (pile[s].IsEmpty()) {
                    gap = true;
                } else {
                    ASSERT_FALSE(gap) << "piles stay packed from slot 0";
                    codes.insert(pile[s].GetCode());
                }
            }
        }
        // All 54 cards, each exactly once, across triangle, stock, waste and removed.
        std::multiset<int> all;
        for (const FaceRow& row : kFaceTable)
            all.insert(row.code);
        ASSERT_EQ(codes, all);

        ASSERT_EQ(doc->m_nScore, scoreAtDeal + 2 * triangleRemoved + bonuses);
        ASSERT_EQ(doc->m_nSelPos == POS_NONE, doc->m_cardSel.IsEmpty());
        if (doc->m_nSelPos >= POS_TRIANGLE_FIRST) {
            ASSERT_EQ(doc->GetPositionState(doc->m_nSelPos), PS_FREE) << "a selection is always free";
            ASSERT_EQ(doc->m_aTriangle[doc->m_nSelPos - 3].GetCode(), doc->m_cardSel.GetCode());
        }
        ASSERT_NE(doc->m_nSelPos, POS_STOCK);
        ASSERT_GE(doc->m_nRecycle, 0);
        ASSERT_LE(doc->m_nRecycle, 3);
    }

    TrackingView tracking;
    int scoreAtDeal = 0;
    int bonuses = 0;
};

TEST_F(RandomPlayTest, InvariantsHoldThroughThousandsOfClicks)
{
    MakeDoc();
    doc->SetView(&tracking);
    CRuntimeRandom chooser;
    for (int i = 0; i < 7; ++i)
        chooser.Rand();  // a sequence apart from the deal's
    host.nameAnswer = IDOK;
    host.typedName = "x";
    int clicks = 0;
    for (int round = 0; round < 40; ++round) {
        const int before = doc->m_nScore;
        doc->DealCards();
        ASSERT_EQ(doc->m_nScore, before - 56);
        scoreAtDeal = before;  // the triangle pays the deal's 56 back card by card
        scoreAtDeal -= 56;
        bonuses = 0;
        tracking.fallen.clear();
        ExpectInvariants();
        for (int step = 0; step < 400; ++step, ++clicks) {
            const int choice = chooser.Rand() % 36;
            tracking.answers = {chooser.Rand() % 2 == 0 ? IDYES : IDNO};
            if (choice < 6) {
                doc->OnStockClick();
            } else if (choice < 12) {
                doc->OnWasteClick();
            } else if (choice < 13) {
                if (doc->CanUndo()) {
                    for (int e = 0; e < 2; ++e) {
                        if (doc->m_anUndoPos[e] >= POS_WASTE) {
                            auto it = tracking.fallen.find(doc->m_aUndoCard[e].GetCode());
                            ASSERT_NE(it, tracking.fallen.end());
                            tracking.fallen.erase(it);
                        }
                    }
                    doc->Undo();
                }
            } else {
                const int position = 3 + chooser.Rand() % 28;
                if (doc->GetPositionState(position) == PS_FREE)
                    doc->OnCardClick(position);
            }
            const bool wasCleared = doc->m_bCleared;
            const int scoreBefore = doc->m_nScore;
            doc->CheckGameOver();
            if (!wasCleared && doc->m_bCleared)
                bonuses += doc->m_nScore - scoreBefore;
            ExpectInvariants();
            if (HasFailure())
                return;
        }
    }
    EXPECT_EQ(clicks, 40 * 400);
}

}  // namespace
