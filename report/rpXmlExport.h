#pragma once
// The XML form of a report design (".rp3") for a later generation of the report library: the report
// element with its script and property data, one element per page and per object. Nothing reads it
// back. Written as UTF-8, the encoding its declaration names.
#include <QByteArray>
#include <QString>

class QIODevice;
class TrpReport;

// CR, LF, the double quote, "<", ">" and "&" as character references; other control characters, which
// XML cannot carry at all, are left out.
QString rpStrToXML(const QString& text);

// Writes the report's design as the XML document.
void rpSaveToRP3Stream(TrpReport* report, QIODevice& stream);
