// Roots of the class tree: CObject (virtual destruction) and CCmdTarget (the
// owner of a message table).
#pragma once

#include "framework/MessageMap.h"

class CObject {
 public:
  virtual ~CObject() = default;
};

class CCmdTarget : public CObject {
 public:
  static const AFX_MSGMAP* GetThisMessageMap();
  virtual const AFX_MSGMAP* GetMessageMap() const;

  // Finds the first entry of this class's table chain that takes the message.
  const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT message, WPARAM wParam, LPARAM lParam) const;
};
