#include "shell/CopyMenu.h"

LayoutPoint KeyboardMenuPoint(const LayoutRect& client, const LayoutRect* row) {
  if (row == nullptr || row->top < client.top || row->bottom > client.bottom) return {client.left, client.top};
  const int32_t x = row->left < client.left ? client.left : (row->left > client.right ? client.right : row->left);
  return {x, row->bottom};
}
