#include "catalogue.h"

#include "button_pictures.h"
#include "faces.h"
#include "glyphs.h"

namespace {

// Hues of the plates: effects of one family share a colour.
constexpr int kDelayHue = 192;     // echo, chorus, flange
constexpr int kFadeHue = 138;      // fade in, fade out
constexpr int kFilterHue = 36;     // bass only, treble only
constexpr int kCharacterHue = 272; // robot voice, backward
constexpr int kSweepHue = 318;     // sweep up, sweep down
constexpr int kSpeedHue = 18;      // slow monster, fast squeaker
constexpr int kPlayHue = 108;
constexpr int kRecordHue = 0;
constexpr int kVoiceHue = 212;

// The picture is drawn on the button's body, (T - 1, T - 1) to (W - T - 1,
// H - T - 1), whose rim carries the outline: a margin of three pixels keeps
// the outline visible when the pressed button shifts the picture by one.
constexpr int kOutlineMargin = 3;
constexpr int kVoiceDiscSize = 48; // inside the 58-pixel round button's bevel

QSize BodyPictureSize(const ButtonPlacement &button)
{
    const int t = button.toothSize;
    return {button.bounds.width() - 2 * t - 2 * kOutlineMargin, button.bounds.height() - 2 * t - 2 * kOutlineMargin};
}

ButtonPlacement SawTooth(const char *name, QRect bounds, int left, int top, int right, int bottom, int toothSize)
{
    return {QString::fromLatin1(name), bounds, left, top, right, bottom, toothSize};
}

ButtonPicture Plate(const ButtonPlacement &button, PlateFace face)
{
    const QSize size = BodyPictureSize(button);
    return {button, ButtonPictureStem(button.name), size, [size, face](bool down) { return PaintPlate(size, face, down); }};
}

ButtonPicture VoiceDisc(const char *name, QPoint topLeft, int number)
{
    const ButtonPlacement button{QString::fromLatin1(name), QRect(topLeft, QSize(58, 58))};
    return {button, ButtonPictureStem(button.name), QSize(kVoiceDiscSize, kVoiceDiscSize),
            [number](bool down) { return PaintVoiceDisc(kVoiceDiscSize, number, kVoiceHue, down); }};
}

} // namespace

std::vector<ButtonPicture> ButtonPictures()
{
    using A = PlateArrangement;
    const auto upper = [](const char *name, int x) { return SawTooth(name, {x, 234, 132, 61}, 0, 0, 0, 3, 12); };
    const auto lower = [](const char *name, int x, int width) {
        return SawTooth(name, {x, 282, width, 60}, 0, width == 96 ? -2 : -3, 0, 0, 12);
    };
    return {
        Plate(upper("EchoButton", 22), {"ECHO", glyph::Echo, kDelayHue}),
        Plate(upper("ChorusButton", 130), {"CHORUS", glyph::Chorus, kDelayHue}),
        Plate(upper("FlangeButton", 238), {"FLANGE", glyph::Flange, kDelayHue}),
        Plate(upper("FadeInButton", 346), {"FADE IN", glyph::FadeIn, kFadeHue}),
        Plate(upper("fadeOutButton", 454), {"FADE OUT", glyph::FadeOut, kFadeHue}),
        Plate(lower("BassOnlyButton", 22, 96), {"BASS", glyph::BassOnly, kFilterHue}),
        Plate(lower("RobotvoiceButton", 94, 132), {"ROBOT", glyph::Robot, kCharacterHue}),
        Plate(lower("BackwardButton", 202, 132), {"BACKWARD", glyph::Backward, kCharacterHue}),
        Plate(lower("SlowMonstButton", 310, 96), {"SLOW", glyph::SlowMonster, kSpeedHue}),
        Plate(lower("FastSqueakButton", 382, 132), {"FAST", glyph::FastSqueaker, kSpeedHue}),
        Plate(lower("TrebleOnlyButton", 490, 96), {"TREBLE", glyph::TrebleOnly, kFilterHue}),
        Plate(SawTooth("SweepUpButton", {5, 236, 39, 104}, 0, 0, 0, 0, 10),
              {"SWEEP UP", glyph::ArrowUp, kSweepHue, A::ArrowOverWord}),
        Plate(SawTooth("SweepDownButton", {564, 236, 39, 104}, 0, 0, 0, 0, 10),
              {"SWEEP DOWN", glyph::ArrowDown, kSweepHue, A::WordOverArrow}),
        Plate(SawTooth("PlayButton", {12, 50, 86, 52}, 2, 0, 1, 0, 12), {"PLAY", glyph::Play, kPlayHue}),
        Plate(SawTooth("RecordButton", {9, 158, 96, 53}, 3, 0, 1, 0, 12), {"REC", glyph::Record, kRecordHue}),
        Plate(SawTooth("RecSourceToggleButton", {-8, 197, 68, 41}, 0, 0, 0, 0, 10),
              {"SOURCE", nullptr, kRecordHue}),
        VoiceDisc("SF1Button", {168, 335}, 1),
        VoiceDisc("SF2Button", {276, 336}, 2),
        VoiceDisc("SF3Button", {383, 336}, 3),
    };
}
