#pragma once
// A developer switch of the layer that owns it (the table's debugging flags): the model
// asks it whether to trace.

class RbxDebugSwitch {
public:
    virtual ~RbxDebugSwitch() = default;
    virtual bool isDebugging() const = 0;
};
