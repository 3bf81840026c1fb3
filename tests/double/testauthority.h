// A certificate authority made up when first asked for, living as long as the process:
// the local service double shows its certificates for the service's host names, and
// the tests (or the demo script) tell the program to trust it, and nothing else.
#pragma once

#include "servicedouble.h"

#include <openssl/ssl.h>

#include <string>

namespace servicedouble {

// The authority's certificate in PEM form.
const std::string &authorityPemText();

// A server context that shows a certificate of that kind for host (made once per host
// and kind, then kept). Thread-safe; the context belongs to the authority.
SSL_CTX *serverContext(const std::string &host, Certificate kind);

} // namespace servicedouble
