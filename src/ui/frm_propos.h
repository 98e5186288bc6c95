#pragma once

#include <QDialog>

namespace quantaline {

class Platform;

// The About box. Loaded hidden at start-up and shown modally by the main window;
// "O-K" hides it, the title-bar close destroys it. Controls: Picture1, Label1_0 (name
// and version), Label1_1 (the mail link), Label2 (the web link), Label3, Label4, btc_ok.
class FrmPropos : public QDialog {
    Q_OBJECT
  public:
    explicit FrmPropos(Platform& platform, QWidget* parent = nullptr);

  public slots:
    void ok();
    void open_mail();
    void open_web_site();

  protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    Platform& platform_;
};

} // namespace quantaline
