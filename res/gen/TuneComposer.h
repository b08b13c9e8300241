// The celebration tune: a festive march of our own, written out as a
// Standard MIDI File (format 1, six tracks, 96 ticks per quarter note, one
// tempo of 750,000 microseconds per quarter note, 11,121 ticks long).
//
// Track 0 holds the tempo and metre; then trumpet melody (a flute for the
// middle section), brass chords (strings in the middle), glockenspiel
// arpeggios, tuba bass and drums on channel 10. The form is a fanfare, the
// march theme, a lighter trio in the subdominant, the theme again in full,
// and a coda that ends on one held chord.
#pragma once

#include <vector>

class CTuneComposer {
public:
    static constexpr int kTicksPerQuarter = 96;
    static constexpr int kMicrosecondsPerQuarter = 750000;
    static constexpr int kLengthTicks = 11121;

    // The file image; empty if the score is inconsistent (a bar of the
    // wrong length), which the generator reports as a build failure.
    static std::vector<unsigned char> Compose();
};
