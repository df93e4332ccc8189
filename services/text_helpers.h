#pragma once

// The shared text and date helpers in one include.
#include "services/date_format.h"
#include "services/message.h"
#include "services/numbers.h"
#include "services/text_encoding.h"
#include "services/url_encode.h"
