#include "vault/NodeData.h"

void TNodeData::Wipe() {
    WipeString(Title);
    WipeString(UserName);
    WipeString(Password);
    WipeString(Url);
    WipeString(Notes);
}
