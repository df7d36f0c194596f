// The pictographs of the buttons, each drawn in white ink inside the glyph box
// (0, 0)-(32, 24); the caller maps that box onto the picture.
#pragma once

#include <QPainter>
#include <QSizeF>

inline constexpr QSizeF kGlyphBox{32, 24};

namespace glyph {

void Echo(QPainter &p);         // three bursts, each fainter than the one before
void Chorus(QPainter &p);       // three voices, slightly out of step
void Flange(QPainter &p);       // a swirl
void FadeIn(QPainter &p);       // a waveform swelling from silence
void FadeOut(QPainter &p);      // a waveform dying away
void BassOnly(QPainter &p);     // one slow, heavy wave
void TrebleOnly(QPainter &p);   // a fast, fine wave
void Robot(QPainter &p);        // a robot's head
void Backward(QPainter &p);     // two arrow heads pointing back
void SlowMonster(QPainter &p);  // a horned monster with fangs
void FastSqueaker(QPainter &p); // a mouse rushing ahead
void Play(QPainter &p);         // the play triangle
void Record(QPainter &p);       // the record dot
void ArrowUp(QPainter &p);      // a broad arrow head pointing up
void ArrowDown(QPainter &p);    // a broad arrow head pointing down

} // namespace glyph
