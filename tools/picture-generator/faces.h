// The two kinds of button face: a display plate (pictograph and word) for the
// saw-tooth buttons, and a voice disc for the round sample-voice buttons.
//
// Every face has an unlit look (the button is up) and a lit look (the button
// is down, its effect switched on): the plate then glows in its own hue.
#pragma once

#include <QImage>
#include <QString>

enum class PlateArrangement {
    GlyphBesideWord, // pictograph on the left, word on the right
    ArrowOverWord,   // narrow upright plate: arrow at the top, word read upwards
    WordOverArrow,   // narrow upright plate: word read upwards, arrow at the bottom
};

struct PlateFace {
    QString word;
    void (*glyph)(QPainter &); // none: the word fills the plate
    int hue; // degrees on the colour wheel; related effects share one
    PlateArrangement arrangement = PlateArrangement::GlyphBesideWord;
};

QImage PaintPlate(QSize size, const PlateFace &face, bool lit);

// A round face filling a square picture of `size` pixels: a speech bubble
// with `number` on a coloured disc.
QImage PaintVoiceDisc(int size, int number, int hue, bool lit);
