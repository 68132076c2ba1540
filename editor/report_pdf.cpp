#include "editor/report_pdf.h"

#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>

namespace va48 {

namespace {

QString Html(const std::string& text) {
    return QString::fromStdString(text).toHtmlEscaped();
}

QString ReportHtml(const AmplifierSetup& setup, const ReportFacts& facts) {
    QString html = QStringLiteral("<h2>VA-48 setup report</h2><table cellpadding='2'>");
    const std::pair<const char*, const std::string*> lines[] = {
        {"Firmware version", &facts.firmwareVersion},
        {"Date", &facts.date},
        {"Setup file", &facts.setupFile}};
    for (const auto& [name, value] : lines) {
        html += QStringLiteral("<tr><td><b>%1</b></td><td>%2</td></tr>")
                    .arg(QString::fromLatin1(name),
                         value->empty() ? QStringLiteral("-") : Html(*value));
    }
    html += QStringLiteral("</table><br><table border='1' cellspacing='0' cellpadding='2' "
                           "style='font-size:6pt'>");
    bool header = true;
    for (const std::vector<std::string>& row : ReportTable(setup)) {
        html += QStringLiteral("<tr>");
        for (const std::string& cell : row) {
            // The dotted column names break after their dots, so the table fits the page.
            QString text = Html(cell);
            if (header) {
                text.replace(QLatin1Char('.'), QStringLiteral(".<br>"));
                text.replace(QLatin1Char('/'), QStringLiteral("/<br>"));
            }
            html +=
                (header ? QStringLiteral("<th>%1</th>") : QStringLiteral("<td>%1</td>")).arg(text);
        }
        html += QStringLiteral("</tr>");
        header = false;
    }
    return html + QStringLiteral("</table>");
}

} // namespace

bool WriteReportPdf(const QString& path, const AmplifierSetup& setup, const ReportFacts& facts,
                    QString& error) {
    // QPdfWriter reports no failure of its own: open the file first to learn why it cannot be.
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    QPdfWriter writer(&file);
    writer.setTitle(QStringLiteral("VA-48 setup report"));
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                     QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
    QTextDocument document;
    document.setHtml(ReportHtml(setup, facts));
    document.print(&writer);
    file.close();
    if (file.error() != QFileDevice::NoError) {
        error = file.errorString();
        return false;
    }
    return true;
}

} // namespace va48
