#pragma once

#include <QString>

// The maker's own details shown by the about box. The support site's address is a deployment value
// (Deployment::makerSite); these have no public counterparts yet, so the placeholders reach nobody: QQ numbers
// never start with 0 and ".invalid" mail is never delivered.
namespace MakerDetails {
inline const QString kName = QStringLiteral("PaperHarvest 开发组");
inline const QString kSiteBrand = QStringLiteral("PaperHarvest 官方网站：");
inline const QString kSupportBrand = QStringLiteral("PaperHarvest 技术支持：");
inline const QString kQq = QStringLiteral("000000000");
inline const QString kMail = QStringLiteral("support@paperharvest.invalid");
} // namespace MakerDetails
