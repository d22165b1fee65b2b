// The text rules of the PDF check: title normalisation and matching (the measured set the threshold comes from),
// the DOI found in a text and in XMP, the XMP title, and the file-shape rule on hand-made bytes.

#include "core/pdfcheck/PdfInspection.h"
#include "core/pdfcheck/PdfStructure.h"
#include "core/pdfcheck/TitleMatch.h"
#include "core/util/DoiText.h"

#include <QtTest>

namespace {
PdfStructure::Shape shapeOf(const QByteArray &bytes)
{
    return PdfStructure::inspect(bytes.size(), [&](qint64 offset, qint64 length) -> std::optional<QByteArray> {
        if (offset < 0 || length < 0 || offset + length > bytes.size())
            return std::nullopt;
        return bytes.mid(offset, length);
    });
}

// A minimal PDF whose startxref points at its table; `shift` moves the written offset.
QByteArray smallPdf(qint64 shift = 0, const QByteArray &junk = {})
{
    QByteArray body = junk + "%PDF-1.4\n1 0 obj\n<< /Type /Catalog >>\nendobj\n";
    const qint64 xref = body.size();
    body += "xref\n0 2\n0000000000 65535 f \n0000000009 00000 n \ntrailer\n<< /Size 2 /Root 1 0 R >>\n";
    body += "startxref\n" + QByteArray::number(xref + shift) + "\n%%EOF\n";
    return body;
}
} // namespace

class TestPdfTexts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void normalisation_data();
    void normalisation();
    void titleScore_data();
    void titleScore();
    void anotherPaper_data();
    void anotherPaper();
    void doi_data();
    void doi();
    void xmpDoi_data();
    void xmpDoi();
    void xmpTitle();
    void shape_data();
    void shape();
};

void TestPdfTexts::normalisation_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::newRow("case and spaces") << "Deep  Learning A Survey"
                                     << "deep learning — a survey";
    QTest::newRow("full width") << "ＣＯＶＩＤ－１９疫情"
                                << "COVID-19 疫情";
    QTest::newRow("chinese punctuation") << "农村土地流转：影响因素与对策"
                                         << "农村土地流转 影响因素与对策";
    QTest::newRow("ligature") << "Eﬃcient ﬁle transfer"
                              << "Efficient file transfer";
    QTest::newRow("hyphen at line end") << "Harvest-\ning scholarly meta-\ndata"
                                        << "Harvesting Scholarly Metadata";
}

void TestPdfTexts::normalisation()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QCOMPARE(TitleMatch::normalise(a), TitleMatch::normalise(b));
}

// The measured set: a row's title against what a PDF shows (its own title or the start of its first page).
// Same-paper cases scored 0.86..1.00, other-paper cases 0.00..0.66 when the threshold was chosen.
void TestPdfTexts::titleScore_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("samePaper");

    // The same paper, written differently.
    QTest::newRow("same: page with running head")
        << "Deep Residual Learning for Image Recognition"
        << "2016 IEEE Conference on Computer Vision and Pattern Recognition\nDeep Residual Learning for Image "
           "Recognition\nKaiming He Xiangyu Zhang Shaoqing Ren Jian Sun\nMicrosoft Research\nAbstract\nDeeper "
           "neural networks are more difficult to train."
        << true;
    QTest::newRow("same: chinese title over two lines")
        << "基于深度学习的图像识别方法研究"
        << "第 38 卷第 5 期\n计算机应用研究\nVol. 38 No. 5\n基于深度学习的图像识别\n方法研究\n张 三，李 四\n（清华大学 "
           "计算机科学与技术系，北京 100084）\n摘 要：针对传统图像识别方法精度不高的问题……"
        << true;
    QTest::newRow("same: hyphenated at line ends")
        << "Harvesting scholarly metadata at web scale"
        << "Proceedings of JCDL 2019\nHarvest-\ning Scholarly Meta-\ndata at Web Scale\nA. Author, B. Author\n"
        << true;
    QTest::newRow("same: row title cut short by the service")
        << "基于区块链技术的供应链金融风险管理研究…"
        << "基于区块链技术的供应链金融风险管理研究——以汽车制造业为例\n王五\n（上海财经大学 金融学院）" << true;
    QTest::newRow("same: full-width latin in the row")
        << "ＣＯＶＩＤ－１９疫情对我国出口贸易的影响"
        << "国际贸易问题 2021年第3期\nCOVID-19疫情对我国出口贸易的影响\n赵六\n摘要：本文利用海关数据……" << true;
    QTest::newRow("same: one character missing") << "中国农村土地流转的影响因素分析"
                                                 << "中国农村土地流转影响因素分析\n——基于 CFPS 数据的实证研究" << true;
    QTest::newRow("same: letter-spaced extraction") << "深度学习在医学影像中的应用"
                                                    << "综 述\n深 度 学 习 在 医 学 影 像 中 的 应 用\n陈 七\n"
                                                    << true;
    QTest::newRow("same: pdf title without the subtitle") << "Attention Is All You Need"
                                                          << "Attention is all you need" << true;
    QTest::newRow("same: english title of a chinese paper")
        << "Research on image recognition based on deep learning"
        << "基于深度学习的图像识别研究\nResearch on Image Recognition Based on Deep Learning\nZHANG San" << true;
    QTest::newRow("same: title with a typo")
        << "A survey of web crawling strategies for academic search engines"
        << "A Survey of Web Crawling Stratagies for Academic Search Engines\nJ. Doe" << true;

    // Another paper, often of the same field.
    QTest::newRow("other: same field, shared words")
        << "Deep Residual Learning for Image Recognition"
        << "Published as a conference paper at ICLR 2015\nVery Deep Convolutional Networks for Large-Scale Image "
           "Recognition\nKaren Simonyan & Andrew Zisserman\nVisual Geometry Group, University of Oxford"
        << false;
    QTest::newRow("other: chinese, same field")
        << "基于深度学习的图像识别方法研究"
        << "计算机工程与应用\n基于卷积神经网络的图像分类算法研究\n刘 八\n（北京大学 信息科学技术学院）\n摘 "
           "要：图像分类是计算机视觉的基础任务，深度学习方法近年来……"
        << false;
    QTest::newRow("other: login page")
        << "Deep Residual Learning for Image Recognition"
        << "Sign in to your account\nEmail address\nPassword\nForgot your password?\nSign in via your institution"
        << false;
    QTest::newRow("other: captcha page")
        << "基于区块链技术的供应链金融风险管理研究"
        << "安全验证\n请输入下方图片中的验证码\n为了保障您的账户安全，请完成验证后继续访问\n看不清？换一张" << false;
    QTest::newRow("other: chinese, shared topic words")
        << "中国农村土地流转的影响因素分析"
        << "农业经济问题\n农村劳动力转移对农民收入的影响分析\n——基于省级面板数据\n孙九\n摘要：土地流转……" << false;
    QTest::newRow("other: same authors, next paper")
        << "Harvesting scholarly metadata at web scale"
        << "Proceedings of JCDL 2020\nCleaning Scholarly Metadata Harvested from the Web\nA. Author, B. Author"
        << false;
    QTest::newRow("other: table of contents")
        << "深度学习在医学影像中的应用"
        << "目 次\n机器学习在金融风控中的应用……1\n医学图像分割方法综述……9\n深度强化学习研究进展……17" << false;
    QTest::newRow("other: english, same field")
        << "A survey of web crawling strategies for academic search engines"
        << "Focused Crawling for the Academic Web: An Evaluation of Search Strategies\nM. Roe\nAbstract. Web "
           "crawlers that feed academic search engines…"
        << false;
}

void TestPdfTexts::titleScore()
{
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(bool, samePaper);
    const double score = TitleMatch::score(title, text);
    qInfo("score %.2f", score);
    QCOMPARE(score >= TitleMatch::kSamePaper, samePaper);
}

void TestPdfTexts::anotherPaper_data()
{
    QTest::addColumn<QString>("rowTitle");
    QTest::addColumn<QString>("pdfTitle");
    QTest::addColumn<QString>("page");
    QTest::addColumn<bool>("another");
    const QString otherPage = QStringLiteral("农业经济问题\n农村劳动力转移对农民收入的影响分析\n孙九\n摘要：本文……");
    QTest::newRow("page of another paper") << "中国农村土地流转的影响因素分析"
                                           << "" << otherPage << true;
    QTest::newRow("pdf title of another paper too") << "中国农村土地流转的影响因素分析"
                                                    << "农村劳动力转移对农民收入的影响分析" << otherPage << true;
    QTest::newRow("short row title never accuses") << "土地流转"
                                                   << "" << otherPage << false;
    QTest::newRow("missing row title never accuses") << ""
                                                     << "" << otherPage << false;
    QTest::newRow("page without text") << "中国农村土地流转的影响因素分析"
                                       << ""
                                       << "  \n"
                                       << false;
    QTest::newRow("pdf title matches, page does not") << "中国农村土地流转的影响因素分析"
                                                      << "中国农村土地流转的影响因素分析" << otherPage << false;
    QTest::newRow("junk pdf title, page matches") << "中国农村土地流转的影响因素分析"
                                                  << "Microsoft Word - 2019-03-论文终稿.docx"
                                                  << "中国农村土地流转的影响因素分析\n李四" << false;
}

void TestPdfTexts::anotherPaper()
{
    QFETCH(QString, rowTitle);
    QFETCH(QString, pdfTitle);
    QFETCH(QString, page);
    QFETCH(bool, another);
    QCOMPARE(TitleMatch::anotherPaper(rowTitle, pdfTitle, page), another);
}

void TestPdfTexts::doi_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("doi");
    QTest::newRow("on a first page") << "Received 3 May 2020\nDOI: 10.1016/j.cell.2020.04.011\nCopyright"
                                     << "10.1016/j.cell.2020.04.011";
    QTest::newRow("resolver address, sentence end") << "See https://doi.org/10.1145/3292500.3330701."
                                                    << "10.1145/3292500.3330701";
    QTest::newRow("brackets of the sentence") << "(doi:10.3969/j.issn.1000-1234.2019.05.002)"
                                              << "10.3969/j.issn.1000-1234.2019.05.002";
    QTest::newRow("brackets and angles inside the doi")
        << "doi 10.1002/(SICI)1097-4571(199806)49:8<693::AID-ASI4>3.0.CO;2-O x"
        << "10.1002/(SICI)1097-4571(199806)49:8<693::AID-ASI4>3.0.CO;2-O";
    QTest::newRow("in angle brackets") << "<https://doi.org/10.1038/nature14539>"
                                       << "10.1038/nature14539";
    QTest::newRow("square brackets, then a comma") << "[10.1000/xyz123], cited"
                                                   << "10.1000/xyz123";
    QTest::newRow("quoted") << "id=\"10.1000/xyz123\";"
                            << "10.1000/xyz123";
    QTest::newRow("sentence punctuation piled up") << "as shown (doi 10.1000/abc.def).;"
                                                   << "10.1000/abc.def";
    QTest::newRow("chinese label and full-width colon")
        << "文章编号：1001-3695(2021)05-0012-05\nDOI：10.19734/j.issn.1001-3695.2020.07.0203"
        << "10.19734/j.issn.1001-3695.2020.07.0203";
    QTest::newRow("chinese text right after") << "DOI:10.13345/j.cjb.200123文章编号：1000-3061"
                                              << "10.13345/j.cjb.200123";
    QTest::newRow("chinese full stop and brackets") << "（DOI：10.1000/abc123）。"
                                                    << "10.1000/abc123";
    QTest::newRow("labelled one wins over an earlier citation")
        << "Following 10.1007/s00000-019-01234-5 we ...\nhttps://dx.doi.org/10.1145/3366423.3380211\n"
        << "10.1145/3366423.3380211";
    QTest::newRow("unlabelled: the first") << "see 10.1000/first and 10.1000/second"
                                           << "10.1000/first";
    QTest::newRow("nine-digit registrant") << "doi:10.123456789/abc and 10.1000.10/xyz"
                                           << "10.123456789/abc";
    QTest::newRow("registrant with a subdivision") << "10.1000.10/xyz"
                                                   << "10.1000.10/xyz";
    QTest::newRow("ten-digit registrant") << "10.1234567890/abc"
                                          << "";
    QTest::newRow("three-digit registrant") << "10.123/abc"
                                            << "";
    QTest::newRow("inside a longer number") << "110.1234/abc 2010.12345/x"
                                            << "";
    QTest::newRow("nothing after the slash") << "doi: 10.1234/."
                                             << "";
    QTest::newRow("none") << "Volume 10.5 of the series, page 10/12"
                          << "";
}

void TestPdfTexts::doi()
{
    QFETCH(QString, text);
    QFETCH(QString, doi);
    QCOMPARE(FindDoi(text), doi);
}

void TestPdfTexts::xmpDoi_data()
{
    QTest::addColumn<QString>("xmp");
    QTest::addColumn<QString>("doi");
    const QString description = QStringLiteral("<x:xmpmeta><rdf:RDF><rdf:Description %1>%2</rdf:Description></rdf:RDF>"
                                               "</x:xmpmeta>");
    QTest::newRow("prism:doi element") << description.arg(QString(), "<prism:doi>10.1038/nature14539</prism:doi>")
                                       << "10.1038/nature14539";
    QTest::newRow("dc:identifier in a bag, with a scheme")
        << description.arg(QString(), "<dc:identifier><rdf:Bag><rdf:li>doi:10.1016/j.cell.2020.04.011</rdf:li>"
                                      "</rdf:Bag></dc:identifier>")
        << "10.1016/j.cell.2020.04.011";
    QTest::newRow("attribute, entities decoded")
        << description.arg("prism:doi=\"10.1002/(SICI)1097-4571(199806)49:8&lt;693::AID-ASI4&gt;3.0.CO;2-O\"",
                           QString())
        << "10.1002/(SICI)1097-4571(199806)49:8<693::AID-ASI4>3.0.CO;2-O";
    QTest::newRow("identifier that is no DOI, then a DOI")
        << description.arg(QString(), "<dc:identifier>ISBN 978-7-111-11111-1</dc:identifier>"
                                      "<crossmark:DOI>10.1145/3292500.3330701</crossmark:DOI>")
        << "10.1145/3292500.3330701";
    // A DOI elsewhere in the packet (a relation to another paper, say) is not the document's.
    QTest::newRow("a DOI in another property")
        << description.arg(QString(), "<dc:relation>https://doi.org/10.1000/other</dc:relation>") << "";
}

void TestPdfTexts::xmpDoi()
{
    QFETCH(QString, xmp);
    QFETCH(QString, doi);
    QCOMPARE(XmpDoi(xmp), doi);
}

void TestPdfTexts::xmpTitle()
{
    const QString xmp = QStringLiteral(
        "<x:xmpmeta><rdf:RDF><rdf:Description><dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">Fish &amp; "
        "Chips：渔业研究</rdf:li></rdf:Alt></dc:title></rdf:Description></rdf:RDF></x:xmpmeta>");
    QCOMPARE(XmpTitle(xmp), QStringLiteral("Fish & Chips：渔业研究"));
    QCOMPARE(XmpTitle(QStringLiteral("<x:xmpmeta/>")), QString());
}

void TestPdfTexts::shape_data()
{
    using PdfStructure::Shape;
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Shape>("shape");
    const QByteArray good = smallPdf();
    QTest::newRow("complete") << good << Shape::Complete;
    QTest::newRow("junk before the header, offsets from the header") << smallPdf(-5, "JUNK\n") << Shape::Complete;
    QTest::newRow("cut at half") << good.left(good.size() / 2) << Shape::CutShort;
    QTest::newRow("cut inside %%EOF") << good.left(good.size() - 3) << Shape::CutShort;
    QTest::newRow("startxref past the end") << smallPdf(100000) << Shape::CutShort;
    QTest::newRow("startxref at the wrong place") << smallPdf(-20) << Shape::BrokenXref;
    QTest::newRow("no number after startxref") << QByteArray("%PDF-1.4\nstartxref\n%%EOF\n") << Shape::BrokenXref;
    QTest::newRow("html named pdf") << QByteArray("<!DOCTYPE html><html><body>Sign in</body></html>") << Shape::NotPdf;
    QTest::newRow("empty") << QByteArray() << Shape::NotPdf;
    QTest::newRow("padded with a kilobyte and more after %%EOF") << good + QByteArray(2000, '\n') << Shape::CutShort;
}

void TestPdfTexts::shape()
{
    QFETCH(QByteArray, bytes);
    QFETCH(PdfStructure::Shape, shape);
    QCOMPARE(shapeOf(bytes), shape);
}

QTEST_GUILESS_MAIN(TestPdfTexts)
#include "test_pdftexts.moc"
