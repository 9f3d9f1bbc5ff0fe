#pragma once

#include "about/about_properties.h"
#include "about/binary_clock.h"

#include <QDialog>
#include <QTimer>

#include <array>
#include <memory>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QToolButton;

namespace vistrel {

// The donation dialog: an amount in euros, a button that opens the payment page with it, an
// explanatory text and a binary clock that ticks every second.
class TDonateForm : public QDialog {
    Q_OBJECT
public:
    // The form shows and, at its first showing, fills the component's own text list.
    TDonateForm(TDonateProperties &component, QWidget *parent = nullptr);

    // Lights the clock for a time of day and puts the time into the caption.
    void ShowTime(const QTime &time);
    // The link the payment button opens for the amount now in the box.
    QString PaymentLinkForAmount() const;

    QLineEdit *AmountBox = nullptr;
    QToolButton *PaymentButton = nullptr;
    QLabel *SiteLink = nullptr;
    QLabel *Label30 = nullptr;
    QPlainTextEdit *MemoDonate = nullptr;
    std::array<QLabel *, kClockBitCount> ClockLabels{};

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createHeader();
    void createBand();
    void createClock(QWidget *parent);
    void FormActivate();
    void PaymentButtonClick();

    TDonateProperties &component_;
    QTimer clockTimer_;
    bool activated_ = false;
};

// The donation dialog component of the main window: its properties, and Execute to show it.
class TDonateDlg : public TDonateProperties {
public:
    TDonateDlg();
    // Shows the dialog modally; always false.
    bool Execute(QWidget *parent);
    std::unique_ptr<TDonateForm> CreateForm(QWidget *parent);
};

} // namespace vistrel
