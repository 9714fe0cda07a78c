#include "db_test_support.h"
