#pragma once
// The report templates and pictures the program ships, made through the report engine's own object
// model: the journal and act templates of both journal variants and the "no photo" picture.
#include <QByteArray>
#include <QString>
#include <QStringList>

class TrpReport;

namespace templates {

// The template files under REPORTS, in the order they are written.
QStringList TemplateNames();

// Fills report with the named template ("Report.rpf", "AktDefault.rpf", "Report_MP.rpf",
// "AktDefault_MP.rpf"); false for another name.
bool BuildTemplate(const QString& name, TrpReport& report);

// The "no photo" picture as JPEG bytes (the file no_photo.jpg and the built-in NO_PHOTO_JPG).
QByteArray NoPhotoJpeg();

// Writes REPORTS/<template> for every template and no_photo.jpg into folder; the first error, or an
// empty text.
QString WriteAll(const QString& folder);

} // namespace templates
