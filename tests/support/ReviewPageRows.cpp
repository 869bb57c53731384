#include "support/ReviewPageRows.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace orvex::test {

std::vector<ReviewPageRow> reviewPageRows(const QByteArray& page)
{
    const QByteArray open = "<script type=\"application/json\" id=\"review-data\">";
    const qsizetype start = page.indexOf(open);
    const qsizetype end = page.indexOf("</script>", start);
    EXPECT_GE(start, 0) << "the page holds no rows";
    if (start < 0 || end < 0)
        return {};
    QJsonParseError error;
    const QJsonObject data =
        QJsonDocument::fromJson(page.mid(start + open.size(), end - start - open.size()), &error).object();
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    const QJsonArray texts = data["texts"].toArray();
    const QJsonArray tables = data["tables"].toArray();
    const QJsonArray files = data["files"].toArray();
    auto text = [&](const QJsonValue& index) {
        return index.toInt() < 0 ? QString() : texts[index.toInt()].toString();
    };

    std::vector<ReviewPageRow> rows;
    for (const QJsonValue& section : data["sections"].toArray()) {
        for (const QJsonValue& value : section["rows"].toArray()) {
            const QJsonArray r = value.toArray();
            ReviewPageRow row;
            row.section = section["id"].toString();
            row.rowClass = section["rowClass"].toString();
            row.code = r[0].toString();
            row.descriptionBefore = text(r[1]);
            row.descriptionAfter = text(r[2]);
            for (const QJsonValue& amount : r[5].toArray())
                row.amounts << amount.toString();
            row.table = tables[r[6].toInt()].toArray()[0].toString();
            row.key = r[7].toString();
            if (r[8].toInt() >= 0)
                row.listFile = files[r[8].toInt()].toArray()[1].toString();
            row.listLine = r[9].toInt();
            rows.push_back(row);
        }
    }
    return rows;
}

} // namespace orvex::test
