#pragma once

#include <QStringList>

// The instructions window's texts, in one place.
namespace useTexts {
// The window's caption after the program's title, also the help menu's entry that opens it.
inline const QString kCaption = QStringLiteral("软件使用方法");
inline const QStringList kSteps{
    QStringLiteral("1、使用管理员身份运行本软件；"),
    QStringLiteral("2、点击菜单：浏览=>打开百度学术首页；"),
    QStringLiteral("3、点击菜单“工具”=> “设置保存文件夹”，设置好下载文件保存路径；"),
    QStringLiteral("4、在网页分析界面设置好各项参数，最重要的是根据自己的网络情况设置限速延时，以免出现验证码；"),
    QStringLiteral("5、在网页输入关键词搜索以后，点击按钮：采集本页到列表，或者 采集全部搜索结果；"),
    QStringLiteral("6、点击按钮：分析下载，在弹出的菜单中选择需要的，软件开始分析链接，分析完成，弹出下载窗口，"
                   "点击“开始下载”按钮，就可以下载文件。"),
    QStringLiteral("7、可以导出列表到文件，留到下次继续下载。"),
    QStringLiteral("8、可以批量搜索关键词，提取全部链接以后下载文件。"),
};
} // namespace useTexts
