#include "CardImageSet.h"

#include <array>
#include <string>

#include "res/resource.h"

namespace {

// The deck order: hearts, diamonds, clubs, spades, each ace to king, then the jokers.
constexpr std::array<FaceRow, 54> MakeFaceTable()
{
    struct Suit {
        CardCode base;
        PictureId firstPicture;
    };
    constexpr Suit suits[] = {
        {0x00, IDB_HEARTS_FIRST},
        {0x10, IDB_DIAMONDS_FIRST},
        {0x20, IDB_CLUBS_FIRST},
        {0x30, IDB_SPADES_FIRST},
    };
    std::array<FaceRow, 54> table{};
    std::size_t row = 0;
    for (const Suit& suit : suits) {
        for (int rank = 1; rank <= 13; ++rank)
            table[row++] = FaceRow{static_cast<CardCode>(suit.base + rank), suit.firstPicture + rank - 1};
    }
    table[row++] = FaceRow{CARD_JOKER1, IDB_JOKER1};
    table[row] = FaceRow{CARD_JOKER2, IDB_JOKER2};
    return table;
}

}  // namespace

constinit const std::array<FaceRow, 54> kFaceTable = MakeFaceTable();
const PictureId kBackTable[4] = {IDB_BACK0, IDB_BACK1, IDB_BACK2, IDB_BACK3};

void CCardImageSet::LoadImages(const IPictureSource& pictures, ISettings& settings)
{
    m_settings = &settings;
    auto exists = [&pictures](PictureId id) {
        int width;
        int height;
        return pictures.PictureSize(id, width, height);
    };
    for (std::size_t i = 0; i < kFaceTable.size(); ++i)
        m_faces[i] = FaceRow{kFaceTable[i].code, exists(kFaceTable[i].picture) ? kFaceTable[i].picture : 0};
    for (int i = 0; i < 4; ++i)
        m_backs[i] = exists(kBackTable[i]) ? kBackTable[i] : 0;

    const int cover = settings.Get(setting::kCover);
    m_iCover = cover >= 0 && cover < 4 ? cover : 0;

    // Every other part takes the card size from here, never from a constant.
    if (!pictures.PictureSize(kFaceTable[0].picture, m_nCardWidth, m_nCardHeight)) {
        m_nCardWidth = 0;
        m_nCardHeight = 0;
    }
}

void CCardImageSet::CopyOrdinaryCodes(BYTE out[52]) const
{
    for (int i = 0; i < 52; ++i)
        out[i] = kFaceTable[i].code;
}

void CCardImageSet::Shuffle(int n, BYTE* codes, IHost& host)
{
    if (n <= 0)
        return;
    // The clock only decides how many exchanges there are: 256..511.
    const auto t = static_cast<std::int32_t>(host.Now());
    const int swaps = (t % 256) + 256;
    for (int k = 0; k < swaps; ++k) {
        const int j = host.Rand() % n;
        const BYTE held = codes[0];
        codes[0] = codes[j];
        codes[j] = held;
    }
}

PictureId CCardImageSet::FaceImage(BYTE code) const
{
    if (code == CARD_NONE)
        return 0;
    for (const FaceRow& row : m_faces) {
        if (row.code == code)
            return row.picture;
    }
    return 0;
}

int CCardImageSet::SetCurrentBack(int i)
{
    if (i < 0 || i >= 4)
        return -1;
    if (m_settings != nullptr)
        m_settings->Write(setting::kCover, std::to_string(i));
    m_iCover = i;
    return 0;
}
