#pragma once

#include <QString>

class TKivChannel;

// The register file a register-file channel reads. An absolute RegisterFileName stands as it
// is; a relative one is taken relative to the folder of the project file projectPath, so a
// project and its register file can move together (the demo project stores "demo.bin"). For a
// project never saved (empty projectPath) a relative name is taken from the current folder.
QString ResolveRegisterFileName(const TKivChannel& channel, const QString& projectPath);
