// The maker's neutral contact values, used by the resources and the code alike.
#pragma once

#define TARNWICK_WEB_ADDRESS "www.example.org/tarnwick"
#define TARNWICK_CONTACT_MAIL "tarnwick@example.org"
#define TARNWICK_CONTACT_NAME "The Tarnwick developers"
#define TARNWICK_LEGAL_NOTICE "Copyright (C) 2026 The Tarnwick developers"
