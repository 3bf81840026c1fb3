#pragma once

#include "app/frame.h"
#include "song/songpage.h"

#include <QWidget>

class AlphaImage;
class CaptionLabel;
class QLabel;
class QLineEdit;
class QPainter;
class QPushButton;
class QSlider;
class QTimer;
class QTreeWidget;

// The program's one main window. It owns every control and all state of the run:
// the song record and lookup slots, the works state, the downloader.
// The handlers are spread over the subsystem folders: start-up and exits here in
// app/, the song lookup and address commands in song/.
class Form1 : public QWidget
{
    Q_OBJECT
public:
    explicit Form1(QWidget *parent = nullptr);
    ~Form1() override;

    // Start-up: skin, status strip, show, volume, list hook, then the update check.
    void Form_Load();

    // The status line: every command reports here by replacing its text.
    void setStatus(const QString &text);

    const SongRecord &songRecord() const { return record; }
    const LookupSlots &lookupSlots() const { return pieces; }

protected:
    void closeEvent(QCloseEvent *event) override;

    // app/ (frame.cpp): the painted frame and its mouse handling
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void buildAddressRow();
    void buildSingerPanel();
    void buildSongPanel();
    void buildDownloadPanel();
    void buildBottomButtons();
    void buildStatusBar();
    void buildFramePictures();

    // app/
    void gx();
    void Form_QueryUnload();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();

    // app/ (frame.cpp): frame, title buttons, window and panel drag
    void buildFrame();
    void Form_Paint(QPainter &painter);
    void Form_MouseMove(float x, float y);
    void Form_MouseDown(Qt::MouseButton button, float x, float y, QPointF globalPosition);
    void Form_MouseUp(Qt::MouseButton button, float x, float y);
    void Picture3_MouseDown(Qt::MouseButton button, QPointF globalPosition);
    void drawTitleButtons(frame::Looks looks);

    // song/
    void aicAlphaImage3_Click();
    void Command9_Click();
    void Command11_Click();
    void Command13_Click();

    // Address row and works list
    CaptionLabel *Label11_0 = nullptr;
    QLineEdit *Text2 = nullptr;
    QPushButton *Command11 = nullptr;
    QPushButton *Command10 = nullptr;
    QPushButton *Command12 = nullptr;
    QTreeWidget *ListView1 = nullptr;
    QTimer *Timer3 = nullptr;
    QTimer *Timer4 = nullptr;
    CaptionLabel *Label11_1 = nullptr;
    QLineEdit *Text1 = nullptr;
    QPushButton *Command9 = nullptr;
    AlphaImage *aicAlphaImage3 = nullptr;

    // Singer panel
    QWidget *Picture1 = nullptr;
    QLabel *Image1 = nullptr;
    AlphaImage *aicAlphaImage1 = nullptr;
    CaptionLabel *Label1 = nullptr;
    CaptionLabel *Label4 = nullptr;
    CaptionLabel *Label3 = nullptr;
    CaptionLabel *Label10 = nullptr;
    QLabel *Image2 = nullptr;

    // Song panel
    QWidget *Picture2 = nullptr;
    CaptionLabel *Label2 = nullptr;
    AlphaImage *aicAlphaImage2 = nullptr;
    CaptionLabel *Label5 = nullptr;
    CaptionLabel *Label6 = nullptr;
    CaptionLabel *Label7 = nullptr;
    CaptionLabel *Label9 = nullptr;
    QPushButton *Command7 = nullptr;
    QPushButton *Command16 = nullptr;
    QPushButton *Command13 = nullptr;
    QPushButton *Command8 = nullptr;
    QPushButton *Command2 = nullptr;
    QSlider *Slider1 = nullptr;

    // Download panel
    QWidget *Picture3 = nullptr;

    // Bottom right buttons
    QPushButton *Command4 = nullptr;
    QPushButton *Command3 = nullptr;
    QPushButton *Command5 = nullptr;

    // Status bar
    QLabel *Image3 = nullptr;
    CaptionLabel *Label8_0 = nullptr;
    QWidget *Line1 = nullptr;
    CaptionLabel *Label8_1 = nullptr;
    QWidget *Line2 = nullptr;
    CaptionLabel *Label8_2 = nullptr;

    // Frame pictures, kept hidden as sources for the painted frame
    QLabel *Image10 = nullptr;
    QLabel *Image9 = nullptr;
    QLabel *Image8 = nullptr;

    // The title buttons' looks since the mouse last moved or pressed, whether the mouse
    // went down on the window's own surface, and the drags in progress
    frame::Looks titleLooks;
    bool surfacePressed = false;
    frame::Drag windowDrag;
    frame::Drag panelDrag;

    // Song record and lookup slots
    SongRecord record;
    LookupSlots pieces;
};
