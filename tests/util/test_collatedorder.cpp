#include "core/util/CollatedOrder.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QLocale>
#include <QRandomGenerator>
#include <QTest>
#include <algorithm>
#include <numeric>

namespace {

// The order a stable sort through QCollator's own keys gives, with the settings the lists use.
std::vector<int> collatorOrder(const QStringList &texts, bool descending)
{
    QCollator collator(QLocale(QLocale::Chinese, QLocale::China));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    std::vector<QCollatorSortKey> keys;
    for (const QString &text : texts)
        keys.push_back(collator.sortKey(text));
    std::vector<int> order(std::size_t(texts.size()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const int c = keys[std::size_t(a)].compare(keys[std::size_t(b)]);
        return descending ? c > 0 : c < 0;
    });
    return order;
}

QList<int> asList(const std::vector<int> &order)
{
    return QList<int>(order.begin(), order.end());
}

} // namespace

class TestCollatedOrder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sameOrderAsTheCollator_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("chinese by pronunciation") << QStringList{"张三", "阿", "李四", "深度学习", "深度", "学习"};
        QTest::newRow("case only differs, kept in order") << QStringList{"b", "a", "B", "A", "Learning", "LEARNING"};
        QTest::newRow("digits by value") << QStringList{"x10", "x9", "10", "9", "x09", "2 篇", "10 篇", "x100y"};
        QTest::newRow("empty texts among others") << QStringList{"", "a", "", "阿", " ", ""};
        // Keys far longer than the packed leading bytes, differing only at the end, and in case only there.
        QTest::newRow("long equal beginnings")
            << QStringList{"深度学习神经网络图像识别方法研究b", "深度学习神经网络图像识别方法研究a",
                           "深度学习神经网络图像识别方法研究B", "深度学习神经网络图像识别方法研究",
                           "深度学习神经网络图像识别方法研究a", "abcdefghijklmnopqrstuvwxyz2",
                           "ABCDEFGHIJKLMNOPQRSTUVWXYZ10",      "abcdefghijklmnopqrstuvwxyz1"};
        QTest::newRow("accents and punctuation")
            << QStringList{"é", "e", "É", "f", "a-b", "a b", "ab", "(a)", "Ä", "z"};
        // Many rows sharing few texts (a status column) and a random mix of everything above.
        QStringList shared, mixed;
        const QStringList parts{"深度", "学习", "Learning", "cnn", "CNN", "图谱", "2", "10", " ", "研究", "é"};
        QRandomGenerator rng(7);
        for (int i = 0; i < 3000; ++i) {
            shared << QStringList{"成功", "", "失败", "跳过(文件存在)", "失败(下载)"}.at(int(rng.bounded(5)));
            QString text;
            for (int w = int(rng.bounded(7)); w > 0; --w)
                text += parts.at(int(rng.bounded(parts.size())));
            mixed << text;
        }
        QTest::newRow("few shared texts") << shared;
        QTest::newRow("random titles") << mixed;
    }
    void sameOrderAsTheCollator()
    {
        QFETCH(QStringList, texts);
        for (const bool descending : {false, true}) {
            const std::vector<int> order = CollatedOrder(
                int(texts.size()), [&](int row) { return texts.at(row); }, descending);
            // Rows, not texts: texts that collate equal keep their rows' order.
            QCOMPARE(asList(order), asList(collatorOrder(texts, descending)));
        }
    }
};

QTEST_GUILESS_MAIN(TestCollatedOrder)
#include "test_collatedorder.moc"
