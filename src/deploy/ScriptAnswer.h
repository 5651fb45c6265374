#pragma once

#include <QByteArray>
#include <QString>

// Reading the HTML answer of a maintenance script: its paragraphs of class
// "corvanta_ok" / "corvanta_error" and the data between the download markers.
namespace ScriptAnswer {

// `<P CLASS="name">`
QByteArray Marker(const char* cssClass);
bool Has(const QByteArray& body, const char* cssClass);

// The text after the first marker of cssClass: at most `limit` characters,
// cut before the first "</P>" among them. With closeRequired the text is
// empty when no "</P>" lies within those characters. Empty when the marker
// is absent. The body is decoded with the site's character set.
QString Text(const QByteArray& body, const char* cssClass, int limit, bool closeRequired,
             const QString& charSet);

// The bytes between the end of the start marker and the first end marker
// after it; null when either is missing.
QByteArray Between(const QByteArray& body, const char* startClass, const char* endClass);

} // namespace ScriptAnswer
