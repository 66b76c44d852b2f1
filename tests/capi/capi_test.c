/* Drives libcorvane.so from C as a host would: creates "Corvane.clsSaleOrder",
 * switches progress on, listens to Progress, exports two pages of sales
 * orders from a demo account and checks the answers, the in/out arguments
 * and the events; then the errors a C caller meets.
 *
 *   capi_test DEMO_DB    (an account made by "corvane erp init") */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "capi/corvane.h"

static int checks = 0;
static int failures = 0;

#define CHECK(cond)                                                            \
  do {                                                                         \
    ++checks;                                                                  \
    if (!(cond)) {                                                             \
      fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      ++failures;                                                              \
    }                                                                          \
  } while (0)

struct progress_log {
  int count;
  int bad; /* events that were not a well-formed successful Progress */
  int32_t last_cur;
  int32_t last_total;
};

static void on_event(void* user_data, int32_t dispid, const char* event_name,
                     const corvane_value* args, size_t nargs) {
  struct progress_log* log = (struct progress_log*)user_data;
  ++log->count;
  if (dispid != 1 || strcmp(event_name, "Progress") != 0 || nargs != 4 ||
      args[0].type != CORVANE_LONG || args[1].type != CORVANE_LONG ||
      args[2].type != CORVANE_BOOL || !args[2].boolean || args[3].type != CORVANE_STRING ||
      strcmp(args[3].string, "") != 0 || args[0].long_value != log->last_cur + 1) {
    ++log->bad;
    return;
  }
  log->last_cur = args[0].long_value;
  log->last_total = args[1].long_value;
}

static int is_timestamp(const corvane_value* v) {
  size_t i;
  if (v->type != CORVANE_STRING || strlen(v->string) != 18 || strncmp(v->string, "0x", 2) != 0)
    return 0;
  for (i = 2; i < 18; ++i)
    if (!strchr("0123456789ABCDEF", v->string[i])) return 0;
  return 1;
}

static int count_of(const char* text, const char* word) {
  int n = 0;
  const char* p = text;
  while ((p = strstr(p, word)) != NULL) {
    ++n;
    p += strlen(word);
  }
  return n;
}

static void set_long(corvane_value* v, int32_t n) {
  corvane_value_clear(v);
  v->type = CORVANE_LONG;
  v->long_value = n;
}

int main(int argc, char** argv) {
  corvane_error error = CORVANE_ERROR_INIT;
  corvane_object* order = NULL;
  corvane_value value = CORVANE_VALUE_INIT;
  corvane_value result = CORVANE_VALUE_INIT;
  corvane_value args[6];
  struct progress_log log = {0, 0, 0, 0};
  char props[4096];
  char first_stamp[19] = "";
  int32_t cookie = 0;
  size_t i;

  if (argc != 2) {
    fprintf(stderr, "usage: capi_test DEMO_DB\n");
    return 2;
  }
  snprintf(props, sizeof props, "ConnectString={Provider=SQLite;Data Source=%s};UserID=16394;",
           argv[1]);
  for (i = 0; i < 6; ++i) {
    corvane_value blank = CORVANE_VALUE_INIT;
    args[i] = blank;
  }

  CHECK(corvane_initialize(&error) == CORVANE_OK);

  /* A class that does not exist. */
  CHECK(corvane_create("Corvane.clsNoSuchClass", &order, &error) == CORVANE_ERR_RUNTIME);
  CHECK(error.number == 429 && order == NULL);
  corvane_error_clear(&error);

  if (corvane_create("Corvane.clsSaleOrder", &order, &error) != CORVANE_OK) {
    fprintf(stderr, "cannot create Corvane.clsSaleOrder: %d %s\n", (int)error.number,
            error.description ? error.description : "");
    corvane_error_clear(&error);
    return 1;
  }
  CHECK(corvane_get_id_of_name(order, "EXPORT") == 0x6003000D);
  CHECK(corvane_get_id_of_name(order, "bprogress") == 0x68030001);
  CHECK(corvane_get_id_of_name(order, "Progress") == -1);

  value.type = CORVANE_BOOL;
  value.boolean = 1;
  CHECK(corvane_put(order, "bProgress", &value, &error) == CORVANE_OK);
  CHECK(corvane_put(order, "NoSuchOption", &value, &error) == CORVANE_ERR_RUNTIME);
  CHECK(error.number == 438);
  corvane_error_clear(&error);
  CHECK(corvane_advise(order, on_event, &log, &cookie) == CORVANE_OK);

  /* First page: five orders. */
  corvane_value_set_string(&args[0], props);
  corvane_value_set_string(&args[1], "");
  set_long(&args[2], 5);
  corvane_value_set_string(&args[3], "");
  corvane_value_set_string(&args[4], "");
  corvane_value_set_string(&args[5], "");
  CHECK(corvane_invoke(order, "Export", args, 6, &result, &error) == CORVANE_OK);
  CHECK(result.type == CORVANE_BOOL && result.boolean);
  if (args[5].type == CORVANE_STRING && args[5].string[0])
    fprintf(stderr, "strError: %s\n", args[5].string);
  CHECK(args[5].type == CORVANE_STRING && strcmp(args[5].string, "") == 0);
  CHECK(args[0].type == CORVANE_STRING && strcmp(args[0].string, props) == 0);
  CHECK(args[1].type == CORVANE_STRING && strncmp(args[1].string, "<?xml", 5) == 0);
  CHECK(args[1].type == CORVANE_STRING && strstr(args[1].string, "<TavoIndSaleOrder") != NULL);
  CHECK(args[1].type == CORVANE_STRING && count_of(args[1].string, "<SaleOrder>") == 5);
  CHECK(args[2].type == CORVANE_LONG && args[2].long_value == 5); /* by value: untouched */
  CHECK(is_timestamp(&args[3]) && strcmp(args[3].string, "0x0000000000000000") != 0);
  CHECK(is_timestamp(&args[4]) && strcmp(args[4].string, args[3].string) > 0);
  CHECK(log.count == 5 && log.bad == 0 && log.last_cur == 5 && log.last_total == 5);
  if (is_timestamp(&args[3])) memcpy(first_stamp, args[3].string, 19);

  /* Second page from where the first ended, lPerCount left at its default
   * (100: all the remaining orders), without the listener. */
  CHECK(corvane_unadvise(order, cookie) == CORVANE_OK);
  corvane_value_clear(&args[2]);
  args[2].type = CORVANE_MISSING;
  CHECK(corvane_invoke(order, "export", args, 6, &result, &error) == CORVANE_OK);
  CHECK(result.type == CORVANE_BOOL && result.boolean);
  CHECK(args[2].type == CORVANE_MISSING);
  CHECK(args[1].type == CORVANE_STRING && count_of(args[1].string, "<SaleOrder>") > 0);
  CHECK(is_timestamp(&args[3]) && strcmp(args[3].string, first_stamp) > 0);
  CHECK(log.count == 5);

  /* The errors a C caller meets, with nothing written back. */
  CHECK(corvane_invoke(order, "Export", args, 1, &result, &error) == CORVANE_ERR_RUNTIME);
  CHECK(error.number == 449 && error.description &&
        strcmp(error.description, "Argument not optional") == 0);
  CHECK(corvane_invoke(order, "Filter", NULL, 0, NULL, &error) == CORVANE_ERR_RUNTIME);
  CHECK(error.number == 451);
  corvane_value_clear(&args[2]);
  corvane_value_set_string(&args[2], "many");
  CHECK(corvane_invoke(order, "Export", args, 3, &result, &error) == CORVANE_ERR_RUNTIME);
  CHECK(error.number == 13);
  CHECK(args[2].type == CORVANE_STRING && strcmp(args[2].string, "many") == 0);
  CHECK(corvane_invoke(NULL, "Export", NULL, 0, NULL, &error) == CORVANE_ERR_ARGUMENT);
  CHECK(error.number == 5);
  corvane_error_clear(&error);
  CHECK(error.number == 0 && error.description == NULL);

  for (i = 0; i < 6; ++i) corvane_value_clear(&args[i]);
  corvane_value_clear(&result);
  corvane_value_clear(&value);
  corvane_release(order);

  printf("%d passed, %d failed\n", checks - failures, failures);
  return failures == 0 ? 0 : 1;
}
