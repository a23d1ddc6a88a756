#pragma once
// Windows metafiles (placeable or plain): parsed once into their record list, then played
// as vectors onto a painter, mapped into the destination rectangle.
#include <QByteArray>
#include <QRect>
#include <QString>

#include "Picture.h"

class QPainter;

namespace platform {

struct Picture::MetafileData {
  QByteArray records;  // from the first record to the end-of-file record, included
  QRect bounds;        // logical units: the placeable header's box, else window org/ext
  QRect frame;         // size at screen resolution (96 pixels per inch)
};

// Checks the headers and that every record lies inside the file; raises Failure.
Picture::MetafileData ParseMetafile(const QByteArray &file, const QString &path);

// Plays the records so that the metafile's bounds fill `target`.
void PlayMetafile(const Picture::MetafileData &metafile, QPainter &painter, const QRect &target);

}  // namespace platform
