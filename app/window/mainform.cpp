// TMainForm: construction, layout, menus, window shape, the timer and the
// keyboard.
#include "mainform.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include <algorithm>

#include "decode_progress_form.h"
#include "designed_controls.h"
#include "document_commands.h"
#include "effect_controls.h"
#include "gdidraw.h"
#include "live_mode.h"
#include "mixer_panel.h"
#include "prtlepnl.h"
#include "prtlrbtn.h"
#include "prtlsbtn.h"
#include "prtltbar.h"
#include "prtlvled.h"
#include "prtlwpnl.h"
#include "startup_probe.h"
#include "time_readout.h"
#include "voice_player.h"
#include "voice_recorder.h"
#include "window_shape.h"
#include "window_view.h"

using namespace designed_controls;
using voice::Effect;

// The button pictures are resources of a library; register them once.
static void RegisterPictures()
{
    Q_INIT_RESOURCE(pictures);
}

namespace {

constexpr int kClientWidth = 608;
constexpr int kClientHeight = 393;
constexpr QPoint kFirstPlacement{207, 169};
constexpr int kTimerIntervalMs = 100;
constexpr int kFontHeight = 16;
const QColor kLime{0, 255, 0};
const QColor kRed{255, 0, 0};
const QColor kMaroon{128, 0, 0};
const QColor kGreen{0, 128, 0};

}  // namespace

TMainForm::TMainForm(QWidget* parent)
    : QMainWindow(parent), view_(std::make_unique<View>(*this)), document_(std::make_unique<DocumentCommands>(*view_)),
      player_(std::make_unique<VoicePlayer>()), recorder_(std::make_unique<VoiceRecorder>())
{
    RegisterPictures();
    setObjectName("MainForm");
    setWindowTitle("Warblecast");
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFont(gdi::LogicalFont(kFontHeight));
    setAcceptDrops(true);

    auto* client = new QWidget(this);
    client->setObjectName("ClientArea");
    client->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(client);
    CreateComponents(client);
    CreateMenu();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    move(kFirstPlacement);
    decodeForm_ = new TDecodeProgressForm(this);
    document_->SetMediaDecoder(decodeForm_);
    mixer_ = std::make_unique<MixerPanel>(*SpeakerSlider, *MikeSlider, *RecSourceLabel);
    live_ = std::make_unique<LiveMode>(*effects_, LiveMode::Display{*WaveDisplay, *VolLED, *timeDisplay});

    Timer = new QTimer(this);
    Timer->setObjectName("Timer");
    Timer->setInterval(kTimerIntervalMs);
    ConnectHandlers();
    qApp->installEventFilter(this);  // sees keys before the focused control
    FormCreate();
    Timer->start();
}

// FormDestroy: the mixer first, so that no notification reaches a window
// being taken apart. The parts then go in turn: a running recording is
// stopped (its file stays where it is, unread), a playing device is closed
// before the voice it reads goes.
TMainForm::~TMainForm()
{
    mixer_->TearDown();
    qApp->removeEventFilter(this);
}

void TMainForm::CreateComponents(QWidget* client)
{
    ParrotelLabel = new QLabel("Tavrin Audio Parrotel", client);
    ParrotelLabel->setObjectName("ParrotelLabel");
    ParrotelLabel->setGeometry(0, 0, kClientWidth, 20);
    ParrotelLabel->setAlignment(Qt::AlignCenter);
    ParrotelLabel->setFont(gdi::LogicalFont(20, true));
    SetBackground(ParrotelLabel, kLime);

    Label8 = MakeLabel(client, "Helium Breath", QPoint(520, 63), font(), Qt::black);
    Label8->setObjectName("Label8");
    Label9 = MakeLabel(client, "Sulphur Breath", QPoint(520, 216), font(), Qt::black);
    Label9->setObjectName("Label9");
    for (QLabel* label : {Label8, Label9})  // the stand-in face runs wider than the designed one
        label->move(std::min(label->x(), kClientWidth - label->width() - 1), label->y());

    Shape1 = new QFrame(client);
    Shape1->setObjectName("Shape1");
    Shape1->setGeometry(16, 247, 579, 85);
    SetBackground(Shape1, QColor(0x81, 0x81, 0x81));

    PlayButton = MakeSawToothButton(client, "PlayButton", QRect(12, 50, 86, 52), {2, 0, 1, 0, 12});
    RecordButton = MakeSawToothButton(client, "RecordButton", QRect(9, 158, 96, 53), {3, 0, 1, 0, 12});

    TimePanel = new QFrame(client);
    TimePanel->setObjectName("TimePanel");
    TimePanel->setGeometry(9, 143, 95, 20);
    SetBackground(TimePanel, Qt::black);
    timeDisplay = new QLabel(voice::kClearedTimeReadout, TimePanel);
    timeDisplay->setObjectName("timeDisplay");
    timeDisplay->setGeometry(1, 4, 92, 13);
    timeDisplay->setFont(gdi::LogicalFont(-11, true));
    QPalette readout = timeDisplay->palette();
    readout.setColor(QPalette::WindowText, kLime);
    timeDisplay->setPalette(readout);

    VolLED = new TPRTL_VerticalLEDs(client);
    VolLED->setObjectName("VolLED");
    VolLED->setGeometry(19, 100, 71, 34);
    VolLED->SetColor(Qt::black);
    VolLED->SetLEDOnColor(kRed);
    VolLED->SetLEDOffColor(kMaroon);
    VolLED->SetNumLEDs(8);
    VolLED->SetProgress(0.5f);

    WaveDisplay = new TPRTL_Wave_Display(client);
    WaveDisplay->setObjectName("WaveDisplay");
    WaveDisplay->setGeometry(215, 55, 206, 165);
    WaveDisplay->SetSamplesPerPixel(40);

    PitchBar = MakeTrackBar(client, "PitchBar", QRect(536, 82, 45, 134), voice::kPitchMax, voice::kPitchNone);
    PitchBar->SetTickStyle(TrackBarTickStyle::Auto);
    PitchBar->SetTickMarks(TrackBarTickMarks::BottomRight);

    CreateSliderPanels(client);
    CreateEffectButtons(client);

    constexpr QSize kSampleButton{58, 58};
    SF1Button = MakeEllipticalButton(client, "SF1Button", QRect(QPoint(168, 335), kSampleButton), "SF1");
    SF2Button = MakeEllipticalButton(client, "SF2Button", QRect(QPoint(276, 336), kSampleButton), "SF2");
    SF3Button = MakeEllipticalButton(client, "SF3Button", QRect(QPoint(383, 336), kSampleButton), "SF3");
}

void TMainForm::CreateSliderPanels(QWidget* client)
{
    const QFont loud = gdi::LogicalFont(-18, true);
    const QFont bold = gdi::LogicalFont(kFontHeight, true);

    MicSliderPanel = new TPRTL_EllipticalPanel(client);
    MicSliderPanel->setObjectName("MicSliderPanel");
    MicSliderPanel->setGeometry(121, 34, 91, 207);
    MicSliderPanel->SetBevelOuter(BevelCut::Raised);
    MakeCentredLabel(MicSliderPanel, "LOUD", 24, loud, kRed);
    RecordLabel = MakeCentredLabel(MicSliderPanel, "Record", 46, bold, kRed);
    RecordLabel->setObjectName("RecordLabel");
    MakeCentredLabel(MicSliderPanel, "soft", 184, font(), kMaroon);
    MikeSlider = MakeTrackBar(MicSliderPanel, "MikeSlider", QRect(28, 67, 35, 117), 255, 10);
    MikeSlider->SetTickStyle(TrackBarTickStyle::NoTicks);
    MikeSlider->SetTickMarks(TrackBarTickMarks::TopLeft);

    SpkSliderPanel = new TPRTL_EllipticalPanel(client);
    SpkSliderPanel->setObjectName("SpkSliderPanel");
    SpkSliderPanel->setGeometry(425, 34, 91, 207);
    SpkSliderPanel->SetBevelOuter(BevelCut::Raised);
    MakeCentredLabel(SpkSliderPanel, "LOUD", 24, loud, kLime);
    MakeCentredLabel(SpkSliderPanel, "Play", 46, bold, kLime);
    MakeCentredLabel(SpkSliderPanel, "soft", 184, font(), kGreen);
    SpeakerSlider = MakeTrackBar(SpkSliderPanel, "SpeakerSlider", QRect(29, 67, 35, 117), 255, 0);
    SpeakerSlider->SetTickStyle(TrackBarTickStyle::NoTicks);
    SpeakerSlider->SetTickMarks(TrackBarTickMarks::BottomRight);

    RecSourceToggleButton =
        MakeSawToothButton(client, "RecSourceToggleButton", QRect(-8, 197, 68, 41), {0, 0, 0, 0, 10});
    RecSourceLabel = new QLabel("Mic", client);
    RecSourceLabel->setObjectName("RecSourceLabel");
    RecSourceLabel->setGeometry(50, 207, 79, 20);
    RecSourceLabel->setAlignment(Qt::AlignCenter);
    RecSourceLabel->setFont(bold);
    RecSourceLabel->setToolTip("Mic");
    SetBackground(RecSourceLabel, Qt::black);
    QPalette source = RecSourceLabel->palette();
    source.setColor(QPalette::WindowText, kRed);
    RecSourceLabel->setPalette(source);
}

void TMainForm::CreateEffectButtons(QWidget* client)
{
    constexpr int kUpperTop = 234, kLowerTop = 282;
    const Teeth upper{0, 0, 0, 3, 12}, lowerWide{0, -3, 0, 0, 12}, lowerNarrow{0, -2, 0, 0, 12};
    const Teeth sweep{0, 0, 0, 0, 10};
    EchoButton = MakeSawToothButton(client, "EchoButton", QRect(22, kUpperTop, 132, 61), upper);
    ChorusButton = MakeSawToothButton(client, "ChorusButton", QRect(130, kUpperTop, 132, 61), upper);
    FlangeButton = MakeSawToothButton(client, "FlangeButton", QRect(238, kUpperTop, 132, 61), upper);
    FadeInButton = MakeSawToothButton(client, "FadeInButton", QRect(346, kUpperTop, 132, 61), upper);
    fadeOutButton = MakeSawToothButton(client, "fadeOutButton", QRect(454, kUpperTop, 132, 61), upper);
    BassOnlyButton = MakeSawToothButton(client, "BassOnlyButton", QRect(22, kLowerTop, 96, 60), lowerNarrow);
    RobotvoiceButton = MakeSawToothButton(client, "RobotvoiceButton", QRect(94, kLowerTop, 132, 60), lowerWide);
    BackwardButton = MakeSawToothButton(client, "BackwardButton", QRect(202, kLowerTop, 132, 60), lowerWide);
    SlowMonstButton = MakeSawToothButton(client, "SlowMonstButton", QRect(310, kLowerTop, 96, 60), lowerNarrow);
    FastSqueakButton = MakeSawToothButton(client, "FastSqueakButton", QRect(382, kLowerTop, 132, 60), lowerWide);
    TrebleOnlyButton = MakeSawToothButton(client, "TrebleOnlyButton", QRect(490, kLowerTop, 96, 60), lowerNarrow);
    SweepUpButton = MakeSawToothButton(client, "SweepUpButton", QRect(5, 236, 39, 104), sweep);
    SweepDownButton = MakeSawToothButton(client, "SweepDownButton", QRect(564, 236, 39, 104), sweep);
}

void TMainForm::CreateMenu()
{
    File1 = menuBar()->addMenu("&File");
    New1 = File1->addAction("&New");
    New1->setShortcut(QKeySequence::New);
    Open1 = File1->addAction("&Open...");
    Open1->setShortcut(QKeySequence::Open);
    Save1 = File1->addAction("&Save");
    Save1->setShortcut(QKeySequence::Save);
    SaveAs1 = File1->addAction("Save &As...");
    SaveAs1->setShortcut(QKeySequence::SaveAs);
    Export1 = File1->addMenu("&Export");
    ExportToWaveFormat1 = Export1->addAction("to WAVE File...");
    ExportToRealAudioFormat1 = Export1->addAction("to RealAudio File...");
    ExportToMP3File = Export1->addAction("to MP3 File...");
    ExportToOpusFile = Export1->addAction("to Opus File...");
    ExportToFLACFile = Export1->addAction("to FLAC File...");
    N1 = File1->addSeparator();
    N1->setVisible(false);
    Preferences1 = File1->addAction("&Preferences");
    Preferences1->setVisible(false);
    N2 = File1->addSeparator();
    CheckForUpdates1 = File1->addAction("Check For Updates");
    CheckForUpdates1->setVisible(false);
    N4 = File1->addSeparator();
    N4->setVisible(false);
    Exit1 = File1->addAction("E&xit");
    Exit1->setShortcut(QKeySequence::Quit);
    EnableVoiceCommands(false);

    CreateOptionsMenu();

    Help1 = menuBar()->addMenu("&Help");
    HelpTopics1 = Help1->addAction("Help &Topics");
    HelpTopics1->setShortcut(QKeySequence::HelpContents);
    Help1->addSeparator();
    About1 = Help1->addAction("&About");

    const std::pair<QObject*, const char*> names[] = {
        {File1, "File1"}, {New1, "New1"}, {Open1, "Open1"}, {Save1, "Save1"}, {SaveAs1, "SaveAs1"},
        {Export1, "Export1"}, {ExportToWaveFormat1, "ExportToWaveFormat1"},
        {ExportToRealAudioFormat1, "ExportToRealAudioFormat1"}, {ExportToMP3File, "ExportToMP3File"},
        {ExportToOpusFile, "ExportToOpusFile"}, {ExportToFLACFile, "ExportToFLACFile"},
        {N1, "N1"}, {Preferences1, "Preferences1"}, {N2, "N2"}, {CheckForUpdates1, "CheckForUpdates1"},
        {N4, "N4"}, {Exit1, "Exit1"}, {Options1, "Options1"}, {N3, "N3"}, {LiveVoice1, "LiveVoice1"},
        {HearYourself1, "HearYourself1"}, {Help1, "Help1"}, {HelpTopics1, "HelpTopics1"}, {About1, "About1"}};
    for (const auto& [object, name] : names)
        object->setObjectName(name);
}

void TMainForm::CreateOptionsMenu()
{
    Options1 = menuBar()->addMenu("&Options");
    struct Item {
        QAction** member;
        const char* caption;
        const char* name;
    };
    const Item items[] = {{&Echo1, "&Echo", "Echo1"},
                          {&Chorus1, "&Chorus", "Chorus1"},
                          {&Flange1, "&Flange", "Flange1"},
                          {&FadeIn1, "Fade &In", "FadeIn1"},
                          {&FadeOut1, "Fade &Out", "FadeOut1"},
                          {&BassOnly1, "&Bass Only", "BassOnly1"},
                          {&Robotvoice1, "&Robotvoice", "Robotvoice1"},
                          {&Backward1, "Back&ward", "Backward1"},
                          {&SlowMonster1, "Slow &Monster", "SlowMonster1"},
                          {&FastSqeaker1, "Fast S&queaker", "FastSqeaker1"},
                          {&TrebleOnly1, "&Treble Only", "TrebleOnly1"},
                          {&SweepUp1, "Sweep &Up", "SweepUp1"},
                          {&SweepDown1, "Sweep &Down", "SweepDown1"}};
    for (const Item& item : items) {
        *item.member = Options1->addAction(item.caption);
        (*item.member)->setCheckable(true);
        (*item.member)->setObjectName(item.name);
    }
    // In the record's order, which is also the Effect enumeration's.
    const EffectControls::Controls controls{{{Effect::Echo, EchoButton, Echo1},
                                             {Effect::Chorus, ChorusButton, Chorus1},
                                             {Effect::Flange, FlangeButton, Flange1},
                                             {Effect::FadeIn, FadeInButton, FadeIn1},
                                             {Effect::FadeOut, fadeOutButton, FadeOut1},
                                             {Effect::BassOnly, BassOnlyButton, BassOnly1},
                                             {Effect::Robotvoice, RobotvoiceButton, Robotvoice1},
                                             {Effect::Backward, BackwardButton, Backward1},
                                             {Effect::SlowMonster, SlowMonstButton, SlowMonster1},
                                             {Effect::FastSqueaker, FastSqueakButton, FastSqeaker1},
                                             {Effect::TrebleOnly, TrebleOnlyButton, TrebleOnly1},
                                             {Effect::SweepUp, SweepUpButton, SweepUp1},
                                             {Effect::SweepDown, SweepDownButton, SweepDown1}}};
    effects_ = std::make_unique<EffectControls>(controls, *PitchBar);

    N3 = Options1->addSeparator();
    LiveVoice1 = Options1->addAction("&Live Voice");
    LiveVoice1->setCheckable(true);
    LiveVoice1->setShortcut(QKeySequence("Ctrl+L"));
    HearYourself1 = Options1->addAction("&Hear Yourself");
    HearYourself1->setCheckable(true);
}

void TMainForm::ConnectHandlers()
{
    using Handler = void (TMainForm::*)();
    const std::pair<TPRTL_SawToothButton*, Handler> buttons[] = {
        {EchoButton, &TMainForm::EchoButtonClick},
        {ChorusButton, &TMainForm::ChorusButtonClick},
        {FlangeButton, &TMainForm::FlangeButtonClick},
        {FadeInButton, &TMainForm::FadeInButtonClick},
        {fadeOutButton, &TMainForm::fadeOutButtonClick},
        {BassOnlyButton, &TMainForm::BassOnlyButtonClick},
        {TrebleOnlyButton, &TMainForm::TrebleOnlyButtonClick},
        {RobotvoiceButton, &TMainForm::RobotvoiceButtonClick},
        {BackwardButton, &TMainForm::BackwardButtonClick},
        {SweepUpButton, &TMainForm::SweepUpButtonClick},
        {SweepDownButton, &TMainForm::SweepDownButtonClick},
        {SlowMonstButton, &TMainForm::SlowMonstButtonClick},
        {FastSqueakButton, &TMainForm::FastSqueakButtonClick},
        {PlayButton, &TMainForm::PlayButtonClick},
        {RecordButton, &TMainForm::OldRecordButtonClick}};
    for (const auto& [button, handler] : buttons)
        connect(button, &TPRTL_SawToothButton::OnClick, this, handler);

    connect(SF1Button, &TPRTL_EllipticalButton::OnClick, this, &TMainForm::SF1ButtonClick);
    connect(SF2Button, &TPRTL_EllipticalButton::OnClick, this, &TMainForm::SF2ButtonClick);
    connect(SF3Button, &TPRTL_EllipticalButton::OnClick, this, &TMainForm::SF3ButtonClick);
    connect(PitchBar, &TPRTL_TrackBar::OnChange, this, &TMainForm::PitchBarChange);
    connect(SpeakerSlider, &TPRTL_TrackBar::OnChange, this, &TMainForm::SpeakerSliderChange);
    connect(MikeSlider, &TPRTL_TrackBar::OnChange, this, &TMainForm::MikeSliderChange);
    connect(RecSourceToggleButton, &TPRTL_SawToothButton::OnClick, this, &TMainForm::RecSourceToggleButtonClick);

    // A checkable menu item flips its own check mark before it reports the
    // choice; the handlers set the mark themselves from the button.
    const std::pair<QAction*, Handler> menuItems[] = {
        {Echo1, &TMainForm::Echo1Click},       {Chorus1, &TMainForm::Chorus1Click},
        {Flange1, &TMainForm::Flange1Click},   {FadeIn1, &TMainForm::FadeIn1Click},
        {FadeOut1, &TMainForm::FadeOut1Click}, {BassOnly1, &TMainForm::BassOnly1Click},
        {TrebleOnly1, &TMainForm::TrebleOnly1Click}, {Robotvoice1, &TMainForm::Robotvoice1Click},
        {Backward1, &TMainForm::Backward1Click}, {SweepUp1, &TMainForm::SweepUp1Click},
        {SweepDown1, &TMainForm::SweepDown1Click}, {SlowMonster1, &TMainForm::SlowMonster1Click},
        {FastSqeaker1, &TMainForm::FastSqeaker1Click}};
    for (const auto& [item, handler] : menuItems) {
        connect(item, &QAction::triggered, this, [this, item = item, handler = handler] {
            item->setChecked(!item->isChecked());
            (this->*handler)();
        });
    }

    const std::pair<QAction*, Handler> commands[] = {
        {New1, &TMainForm::New1Click},         {Open1, &TMainForm::Open1Click},
        {Save1, &TMainForm::Save1Click},       {SaveAs1, &TMainForm::SaveAs1Click},
        {ExportToWaveFormat1, &TMainForm::ExportToWaveFormat1Click},
        {ExportToRealAudioFormat1, &TMainForm::ExportToRealAudioFormat1Click},
        {ExportToMP3File, &TMainForm::ExportToMP3FileClick},
        {ExportToOpusFile, &TMainForm::ExportToOpusFileClick},
        {ExportToFLACFile, &TMainForm::ExportToFLACFileClick},
        {Preferences1, &TMainForm::Preferences1Click}, {CheckForUpdates1, &TMainForm::CheckForUpdates1Click},
        {HelpTopics1, &TMainForm::HelpTopics1Click}, {About1, &TMainForm::About1Click},
        {Exit1, &TMainForm::Exit1Click},       {LiveVoice1, &TMainForm::LiveVoice1Click},
        {HearYourself1, &TMainForm::HearYourself1Click}};
    for (const auto& [item, handler] : commands)
        connect(item, &QAction::triggered, this, handler);

    connect(Timer, &QTimer::timeout, this, &TMainForm::TimerTimer);
}

// The menu's hidden preference items stay disabled; the mixer is set up and
// the window starts with no voice.
void TMainForm::FormCreate()
{
    Preferences1->setEnabled(false);
    CheckForUpdates1->setEnabled(false);
    SetUpMixer();
    document_->New();
    VolLED->SetProgress(0);
}

// ---- Window shape ----------------------------------------------------------------

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    ApplyRegion();
}

void TMainForm::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    ApplyRegion();
}

void TMainForm::ApplyRegion()
{
    setMask(window_shape::MainFormRegion(size()));
}

void TMainForm::paintEvent(QPaintEvent* event)
{
    QMainWindow::paintEvent(event);
    QPainter painter(this);
    window_shape::PaintRim(painter, size());
    startup_probe::NoteFirstPaint();
}

// ---- Timer -------------------------------------------------------------------------

void TMainForm::TimerTimer()
{
    // 1 and 2: a playback or a recording whose button was released ends.
    // A recording stopped here leaves the File menu as it is.
    if (player_->IsPlaying() && !PlayButton->Down())
        WindUpPlayback();
    if (recorder_->IsRecording() && !RecordButton->Down())
        StopRecording();
    // 3: the level meter and the elapsed time while recording.
    if (recorder_->IsRecording())
        FollowRecording();
    else if (RecordButton->Down())
        RecordButton->SetDown(false);
    // 4: the position while playing.
    if (player_->IsPlaying()) {
        FollowPlayback();
    } else if (PlayButton->Down()) {
        PlayButton->SetDown(false);
        document_->ShowVoiceLength();
    }
    // 5: the momentary buttons.
    for (TPRTL_EllipticalButton* button : {SF1Button, SF2Button, SF3Button}) {
        if (button->Down())
            button->SetDown(false);
    }
    if (RecSourceToggleButton->Down())
        RecSourceToggleButton->SetDown(false);
    // 6: the menu's check marks follow the buttons.
    effects_->MirrorOntoMenu();
    // 7: the live output, or why live mode ended.
    if (live_->Running())
        FollowLiveMode();
}

// ---- Keyboard and window messages -------------------------------------------------------

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        // The window sees a key first, once, on its way to the focused
        // control (or to the window itself when nothing has the focus).
        QWidget* receiver = QApplication::focusWidget();
        QWidget* first = receiver ? receiver : this;
        if (watched == first && first->window() == this) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (!key->isAutoRepeat() && !key->text().isEmpty())
                FormKeyPress(key->text().front());
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// A space acts as a click on the play button: a press and a release at its
// top-left corner, posted like the mouse would send them.
void TMainForm::FormKeyPress(QChar key)
{
    if (key != QChar(' '))
        return;
    const QPointF corner(0, 0);
    const QPointF global = PlayButton->mapToGlobal(corner);
    QCoreApplication::postEvent(PlayButton, new QMouseEvent(QEvent::MouseButtonPress, corner, global, Qt::LeftButton,
                                                            Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(PlayButton, new QMouseEvent(QEvent::MouseButtonRelease, corner, global,
                                                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
}
