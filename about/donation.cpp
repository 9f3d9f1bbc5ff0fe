#include "about/donation.h"

#include <QUrl>

namespace vistrel {

const char TMakerAddresses::kPaymentPage[] = "https://www.paypal.com/xclick/";
const char TMakerAddresses::kPaymentAccount[] = "donate@vistrel.invalid";
const char TMakerAddresses::kWebSite[] = "https://vistrel.invalid/";
const char TMakerAddresses::kMail[] = "author@vistrel.invalid";

QString PaymentLink(const QString &productName, const QString &amountText)
{
    QString account = QString::fromLatin1(TMakerAddresses::kPaymentAccount);
    account.replace(QLatin1Char('@'), QLatin1String("%40"));
    return QString::fromLatin1(TMakerAddresses::kPaymentPage) + QStringLiteral("business=") + account +
           PaymentParameters(productName, amountText);
}

QString PaymentParameters(const QString &productName, const QString &amountText)
{
    const QString amount = QString::fromLatin1(QUrl::toPercentEncoding(amountText));
    return QStringLiteral("&item_name=") + productName + QStringLiteral("&item_number=1&") + QStringLiteral("amount=") +
           amount + QStringLiteral(".00&") + QStringLiteral("no_note=1&") + QStringLiteral("tax=0&") +
           QStringLiteral("currency_code=EUR");
}

QString DefaultDonateText(const QString &n)
{
    const QString lfcr = QStringLiteral("\n\r");
    return n +
           QStringLiteral(" is Freeware, so you may use it and distribute it in any form you like. You also don't need "
                          "to register for using ") +
           n + QStringLiteral(".") + QStringLiteral("I would be pleased as well if you help me, making ") + n +
           QStringLiteral(" a better tool by sending suggestions or tips for improvement.") + lfcr +
           QStringLiteral("However, if you think ") + n +
           QStringLiteral(" is a helpful application and you will continue to use it, it would be great if you submit "
                          "a donation.") +
           lfcr +
           QStringLiteral(" this would come especially handy, since I have to pay for the growing traffic of my "
                          "homepage.") +
           lfcr +
           QStringLiteral("To do me this favour, simply enter a value which represent in your opinion the worth of this "
                          "application and then click on the PayPal button. Then you will go to the PayPal home page, "
                          "provided you are online ;-) .") +
           lfcr + lfcr + QStringLiteral("Thanks for supporting my work.");
}

QStringList TextLines(const QString &text)
{
    QStringList lines;
    qsizetype i = 0;
    const qsizetype size = text.size();
    while (i < size) {
        const qsizetype start = i;
        while (i < size && text[i] != QLatin1Char('\r') && text[i] != QLatin1Char('\n'))
            ++i;
        lines.append(text.mid(start, i - start));
        if (i < size && text[i] == QLatin1Char('\r'))
            ++i;
        if (i < size && text[i] == QLatin1Char('\n'))
            ++i;
    }
    return lines;
}

bool AmountKeyPasses(int key, bool ctrl, const std::optional<QString> &clipboardText)
{
    if (ctrl) {
        if (key == Qt::Key_C)
            return true;
        if (key != Qt::Key_V)
            return false;
        if (!clipboardText)
            return true;
        bool isInteger = false;
        clipboardText->toInt(&isInteger);
        return isInteger;
    }
    switch (key) {
    case Qt::Key_Backspace:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Delete:
        return true;
    default:
        return key >= Qt::Key_0 && key <= Qt::Key_9;
    }
}

int ProposedAmount(int value) { return value <= 0 ? 10 : value; }

} // namespace vistrel
