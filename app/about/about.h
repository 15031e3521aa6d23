#pragma once
// The About box: a fixed modal dialog with the program's picture, the author line and the
// project's address. Create it fresh for each showing and exec() it; every way of closing it
// (OK, Esc, the close box) ends the modal loop with the cancel result. Clicking the address
// hands a "mailto:" link to the desktop and keeps the box open.
#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;
class QWidget;

class TfmAbout : public QDialog {
    Q_OBJECT

public:
    // The address shown and used in the link.
    static constexpr const char* kAddress = "skarvel@example.org";

    explicit TfmAbout(QWidget* parent = nullptr);

    QWidget* Panel1 = nullptr;
    QPushButton* cxButton1 = nullptr;
    QFrame* Bevel1 = nullptr;
    QWidget* Panel2 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* RxLabel2 = nullptr;
    QLabel* Label1 = nullptr;

    // The click on the address: opens "mailto:" + kAddress; whether a mail program
    // answers is not reported.
    void Label1Click();

protected:
    void showEvent(QShowEvent* event) override;
};
