#pragma once
// runebox-tool bench insert --editors: clicks into xterm and mousepad alternately (see the
// .cpp file).
#include <QStringList>

namespace tool {
int runInsertEditorsBench(const QStringList& args);
}
