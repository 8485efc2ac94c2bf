// Records a two-page invoice with VellumPrint, exports it as text and, when there is a display,
// shows it in the engine's preview window.
//
//   invoice [TEXTFILE]        (default: invoice.txt in the current folder)

#include <VellumPrint/VellumPrinter.h>

#include <QApplication>
#include <QString>

#include <cstdio>

namespace {

struct Item
{
    const char *description;
    int quantity;
    double unitPrice;
};

const Item Items[] = {
    {"Pallet wrap, 500 mm x 300 m", 12, 21.50},
    {"Corner boards, box of 100", 4, 38.00},
    {"Strapping kit", 2, 129.99},
    {"Shipping labels, roll of 1000", 6, 17.25},
    {"Hand truck rental (week)", 1, 45.00},
};

QString money(double amount) { return QString::number(amount, 'f', 2) + QStringLiteral(" $"); }

// Page 1: the heading, the customer in a box, and the items between two lines.
double recordItems(VellumPrinter &printer)
{
    printer.SetFont(QStringLiteral("Liberation Sans"), 18, 1); // 1: bold
    printer.SetY(0.75);
    printer.TextOut(-1, QStringLiteral("INVOICE 1024")); // -1: centred on the paper
    printer.SetFont(QStringLiteral("Liberation Sans"), 10, 0);

    printer.BoxOut(0.75, 1.25, 4.0, 2.25);
    const char *const address[]
        = {"Bill to:", "Northern Freight Ltd", "1200 Harbour Road", "Halifax NS B3H 1A1"};
    printer.SetY(1.35);
    for (const char *line : address) {
        printer.TextOut(0.9, QString::fromUtf8(line));
        printer.NewLine(); // Y down by one line
    }

    printer.SetY(2.75);
    printer.SetFont(QStringLiteral("Liberation Sans"), 10, 1);
    printer.TextOut(0.75, QStringLiteral("Description"));
    printer.TextOut(5.0, QStringLiteral("Qty"));
    printer.TextOut(6.5, QStringLiteral("Amount"));
    printer.LineOut(0.75, 2.95, 7.75, 2.95);
    printer.SetFont(QStringLiteral("Liberation Sans"), 10, 0);
    printer.SetY(3.05);
    double total = 0.0;
    for (const Item &item : Items) {
        const double amount = item.quantity * item.unitPrice;
        total += amount;
        printer.TextOut(0.75, QString::fromUtf8(item.description));
        printer.TextOut(5.0, QString::number(item.quantity));
        printer.TextOut(6.5, money(amount));
        printer.NewLine();
    }
    printer.LineOut(0.75, printer.Y() + 0.05, 7.75, printer.Y() + 0.05);
    return total;
}

// Page 2: the total and the terms, a memo word-wrapped between two margins.
void recordTerms(VellumPrinter &printer, double total)
{
    printer.NewPage();
    printer.SetY(0.75);
    printer.SetFont(QStringLiteral("Liberation Sans"), 12, 1);
    printer.TextOut(0.75, QStringLiteral("Total due: ") + money(total));
    printer.SetFont(QStringLiteral("Liberation Sans"), 10, 0);
    printer.SetY(1.25);
    printer.MemoOut(0.75, 5.5,
        QStringLiteral("Terms: payment is due within thirty days of the invoice date. Goods "
                       "remain the property of the seller until paid in full. Claims for "
                       "damage in transit go to the carrier named on the bill of lading."));
}

} // namespace

int main(int argc, char *argv[])
{
    // Recording measures text with fonts, which needs a platform; without a display the
    // export still runs on Qt's offscreen platform.
    const bool display = !qEnvironmentVariableIsEmpty("DISPLAY")
        || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (!display && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString textFile
        = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("invoice.txt");

    VellumPrinter printer;
    try {
        printer.BeginDoc(); // a new report file in the temporary folder
        printer.SetScaleMode(5); // positions in inches
        printer.SetTitle(QStringLiteral("Invoice 1024"));
        recordTerms(printer, recordItems(printer));
        printer.EndDoc();

        printer.SetPrintTextFile(textFile);
        printer.PrintToFile();
        std::printf("%d pages written to %s\n", int(printer.TotalPages()), qPrintable(textFile));

        if (display && QGuiApplication::platformName() != QLatin1String("offscreen"))
            printer.PreviewReport(); // returns when the preview is closed
    } catch (const VellumError &error) {
        std::fprintf(stderr, "invoice: %s\n", error.what());
        printer.DestroyReport();
        return 1;
    }
    printer.DestroyReport(); // the report file goes; the text export stays
    return 0;
}
