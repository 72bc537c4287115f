#pragma once
// The program's icon: a strip of punched eight-channel NC tape, the medium
// these programs lived on before RS-232C, as every machinist knows it.
#include <QIcon>

namespace marbolt {

QIcon programIcon();

}  // namespace marbolt
