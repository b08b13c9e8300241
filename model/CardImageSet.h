// The card pictures as the game knows them: each card code tied to its
// picture, the four card backs, the current back and the card size.
//
// Pictures are named by their resource identifiers (PictureId); the view
// resolves an identifier to a toolkit bitmap, so this class needs no toolkit.
// The application owns the one instance and hands it to the document.
#pragma once

#include <array>

#include "Card.h"
#include "HostServices.h"

using PictureId = int;  // a bitmap resource id; 0 = no picture

struct FaceRow {
    CardCode code;
    PictureId picture;
};

extern const std::array<FaceRow, 54> kFaceTable;
extern const PictureId kBackTable[4];

// Which pictures exist and how big they are.
class IPictureSource {
public:
    virtual ~IPictureSource() = default;
    // True when the picture loaded; its size in pixels goes to width and height.
    virtual bool PictureSize(PictureId id, int& width, int& height) const = 0;
};

class CCardImageSet {
public:
    // Fills the face and back tables, reads the current back from the
    // settings file (Customize/iCover, 0..3, anything else 0) and takes the
    // card size from the first face.
    void LoadImages(const IPictureSource& pictures, ISettings& settings);

    // The 52 ordinary codes in deck order: hearts, diamonds, clubs, spades, ace to king.
    void CopyOrdinaryCodes(BYTE out[52]) const;

    // Exchanges codes[0] with codes[rand() % n], (now % 256) + 256 times.
    static void Shuffle(int n, BYTE* codes, IHost& host);

    // The face picture of a card code; 0 for no card and unknown codes.
    PictureId FaceImage(BYTE code) const;
    PictureId CurrentBackImage() const { return m_backs[m_iCover]; }
    // Back i (0..3); 0 for any other i.
    PictureId BackImage(int i) const { return i >= 0 && i < 4 ? m_backs[i] : 0; }
    int CurrentBack() const { return m_iCover; }
    // Stores a back 0..3 (writes Customize/iCover) and returns 0; -1 otherwise.
    int SetCurrentBack(int i);

    int CardWidth() const { return m_nCardWidth; }
    int CardHeight() const { return m_nCardHeight; }

private:
    std::array<FaceRow, 54> m_faces{};  // the picture is 0 when it did not load
    PictureId m_backs[4] = {};
    int m_iCover = 0;
    int m_nCardWidth = 0;
    int m_nCardHeight = 0;
    ISettings* m_settings = nullptr;
};
