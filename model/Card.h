// One card on the table, held by value: a single card code byte.
//
// Bits 0-3 hold the rank (1 ace .. 13 king), bits 4-5 the suit (hearts,
// diamonds, clubs, spades), bit 7 marks a joker. Only the rank and the joker
// bit matter to the rules; the suit only picks the face picture.
#pragma once

#include <cstdint>

using BYTE = std::uint8_t;
using CardCode = std::uint8_t;

constexpr CardCode CARD_NONE = 0x00;
constexpr CardCode CARD_JOKER1 = 0x80;
constexpr CardCode CARD_JOKER2 = 0x81;

class CCard {
public:
    CCard() = default;
    explicit CCard(CardCode code) : m_code(code) {}
    CCard(const CCard&) = default;
    CCard& operator=(const CCard&) = default;
    virtual ~CCard() = default;

    void SetCode(BYTE code) { m_code = code; }
    BYTE GetCode() const { return m_code; }
    void Clear() { m_code = CARD_NONE; }
    bool IsEmpty() const { return m_code == CARD_NONE; }
    bool IsJoker() const { return (m_code & 0x80) != 0; }
    BYTE GetRank() const { return IsJoker() ? BYTE{0} : BYTE(m_code & 0x0F); }

private:
    CardCode m_code = CARD_NONE;
};
