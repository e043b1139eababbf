// The files a set of each sound type is played from, in the order the player uses them, and
// how the report names the type and the rule that recognised it.
#pragma once

#include "AssetCheck.h"

#include <QString>

#include <vector>

namespace ws::check {

struct Expected {
    QString name;
    Need need;
    bool loop;
};

// `waveNames` are the folder's wave files (relative names); Steam 2 plays every loop among
// them that the speed control can reach.
std::vector<Expected> expectedFiles(int soundType, int hornType, const QStringList& waveNames);

QString ruleOf(int soundType, int hornType);
QString typeNameOf(int soundType, int hornType);

// Every sound type with its horn type, in the order the player's rules try them.
struct TypeId {
    int soundType;
    int hornType;
};
std::vector<TypeId> allTypes();

} // namespace ws::check
