#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace vistrel {

// Where the payment button and the site link lead. Packagers who take the donations set these.
struct TMakerAddresses {
    static const char kPaymentPage[]; // the payment service's page; parameters follow it directly
    static const char kPaymentAccount[];
    static const char kWebSite[];
    static const char kMail[];
};

// The payment link: the page, "business=" with the account ("@" written "%40"), then the
// PaymentParameters.
QString PaymentLink(const QString &productName, const QString &amountText);

// "&item_name=" + product + "&item_number=1&amount=" + amount + ".00&no_note=1&tax=0&currency_code=EUR".
// The product name is used as it stands; characters of the amount that a link cannot carry are
// percent-escaped, so typed or pasted text can never add parameters of its own.
QString PaymentParameters(const QString &productName, const QString &amountText);

// The explanatory text shown when the dialog has none of its own, for product name N.
QString DefaultDonateText(const QString &productName);

// Splits a text into lines at CR, LF or CR LF, the way the text list takes a text.
QStringList TextLines(const QString &text);

// The amount box's key filter: whether a key press may put its character into the box.
// clipboardText is the clipboard's text, or nothing when it holds none.
bool AmountKeyPasses(int key, bool ctrl, const std::optional<QString> &clipboardText);

// The amount proposed in the box: values of 0 or less become 10.
int ProposedAmount(int value);

} // namespace vistrel
