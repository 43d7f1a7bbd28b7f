#pragma once

#include <QJsonObject>

class TiVCLComponent;

// A component's stored layout: its published properties by full name, as the same texts the
// properties file uses, plus "OPCItems" (its data-link items) when it has any. A property equal
// to the default its class declares is left out.
QJsonObject WriteComponentLayout(TiVCLComponent& component);

// Assigns the properties the layout names, as the component is being loaded (no change
// events), then reads its data-link items, which connect as they are read. A value that does
// not convert, or an "OPCItems" that is not a list, raises std::invalid_argument; an item that
// is not an object or holds a value of the wrong type raises the data link's OPCError, as does
// a linked item that refuses a value offered to it. What was assigned before stays.
void ReadComponentLayout(TiVCLComponent& component, const QJsonObject& layout);
