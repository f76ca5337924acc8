#include "vault/NodeData.h"

void WipeBytes(void* data, std::size_t size) {
    volatile auto* bytes = static_cast<volatile unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = 0;
    }
}

void WipeString(std::string& text) {
    if (!text.empty()) {
        WipeBytes(text.data(), text.size());
    }
    text.clear();
}

TNodeData::~TNodeData() {
    WipeString(Password);
    WipeString(Notes);
    WipeString(UserName);
}
