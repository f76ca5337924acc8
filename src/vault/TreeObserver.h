#pragma once

#include "vault/RecordTree.h"

// Hears of every change of a record tree's shape and content that the shared tree commands
// make, before and after, so that a view can follow (the window's model does). Every
// notification does nothing unless overridden.
class ITreeObserver {
public:
    using TNode = TRecordTree::TNode;

    virtual ~ITreeObserver() = default;

    // Around a change of the whole tree, such as a load; the second comes also when the
    // change fails.
    virtual void TreeResetting() {}
    virtual void TreeReset() {}
    // Around the insertion of one node as child number row of parent (null: the top level).
    virtual void NodeInserting(const TNode* /*parent*/, int /*row*/) {}
    virtual void NodeInserted() {}
    // Around the move of node to child number row of newParent.
    virtual void NodeMoving(const TNode* /*node*/, const TNode* /*newParent*/, int /*row*/) {}
    virtual void NodeMoved() {}
    // Around the removal of node with everything below it.
    virtual void NodeRemoving(const TNode* /*node*/) {}
    virtual void NodeRemoved() {}
    // After a change of a node's data.
    virtual void NodeChanged(const TNode* /*node*/) {}
};

// Sends the closing notification of a change when the scope ends, also when the change in it
// throws; the caller has sent the opening one.
class TObserverScopeEnd {
public:
    using TEnd = void (ITreeObserver::*)();

    TObserverScopeEnd(ITreeObserver* observer, TEnd end) : FObserver(observer), FEnd(end) {}
    TObserverScopeEnd(const TObserverScopeEnd&) = delete;
    TObserverScopeEnd& operator=(const TObserverScopeEnd&) = delete;
    ~TObserverScopeEnd() {
        if (FObserver) {
            (FObserver->*FEnd)();
        }
    }

private:
    ITreeObserver* FObserver;
    TEnd FEnd;
};
