#pragma once
#include "platform/datapacket.h"

#include <QByteArray>
#include <QList>
#include <utility>

// Packets as bytes, well-formed or not, each with a name.
QList<std::pair<const char*, QByteArray>> readerSamples();
// A row with texts that need escaping and a NaN.
dieta::Row awkwardRow();
