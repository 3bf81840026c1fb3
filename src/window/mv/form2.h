#pragma once

#include <QDialog>

#include <initializer_list>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The MV window: shows the MV player address and the page line written for it, and opens
// the page in the user's browser.
class Form2 : public QDialog
{
    Q_OBJECT
public:
    explicit Form2(QWidget *parent = nullptr);

    // Fresh texts for the next showing.
    void showExport(const QString &mvUrl, const QString &pageLine);

private:
    void captionBeside(std::initializer_list<QLabel *> captions, std::initializer_list<QLineEdit *> boxes);
    // The note under the page: where the page was written (empty: next to the program).
    void placeNote(const QString &folder);
    void Form_Load();
    void Command1_Click();

    QGroupBox *Frame1 = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *Text1 = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *Text2 = nullptr;
    QGroupBox *Frame2 = nullptr;
    QLabel *Label3 = nullptr;
    QPushButton *Command1 = nullptr;
};
