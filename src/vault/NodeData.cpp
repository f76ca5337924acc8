#include "vault/NodeData.h"

TNodeData::~TNodeData() {
    WipeString(Password);
    WipeString(Notes);
    WipeString(UserName);
}
