// Body filters of a held response.
#include "ProxyConnection.h"

void CProxyConnection::FilterResponseBody() {
}
