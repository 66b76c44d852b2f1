/* The C interface of libcorvane.so: any language that can load a C library
 * hosts the component's public classes the way an automation client does:
 * create an object by ProgID ("Corvane.clsSaleOrder"), assign its write-only
 * options, invoke its methods by name with arguments by position, receive its
 * events, release it.
 *
 *   corvane_object* order = NULL;
 *   corvane_error error = CORVANE_ERROR_INIT;
 *   if (corvane_create("Corvane.clsSaleOrder", &order, &error) != CORVANE_OK) ...
 *   corvane_value on = CORVANE_VALUE_INIT;
 *   on.type = CORVANE_BOOL; on.boolean = 1;
 *   corvane_put(order, "bProgress", &on, &error);
 *   corvane_advise(order, on_event, my_data, NULL);
 *   corvane_value args[2] = {CORVANE_VALUE_INIT, CORVANE_VALUE_INIT};
 *   corvane_value_set_string(&args[0], "ConnectString={...};UserID=16394;");
 *   corvane_value_set_string(&args[1], "");
 *   corvane_value result = CORVANE_VALUE_INIT;
 *   corvane_invoke(order, "Export", args, 2, &result, &error);
 *   ... args[1].string now holds the XML ...
 *   corvane_value_clear(&args[0]); corvane_value_clear(&args[1]);
 *   corvane_value_clear(&result); corvane_error_clear(&error);
 *   corvane_release(order);
 *
 * Status: every function that can fail returns CORVANE_OK (0) or an error
 * status, fills the caller's corvane_error (when one is given) with the
 * run-time error's number, source and description, and never lets an
 * exception out. The numbers are the automation ones: 429 the class cannot
 * be created, 438 no such member, 449 argument not optional, 450 wrong
 * number of arguments, 451 a write-only property read, 13 type mismatch, 94
 * invalid use of Null, 5 a bad argument to this interface.
 *
 * Ownership:
 *  - A corvane_value owns its string. Strings are UTF-8, NUL-terminated and
 *    allocated with malloc: corvane_value_set_string makes such a copy, and
 *    corvane_value_clear frees it with free. Every corvane_value and
 *    corvane_error handed to the library must be initialised
 *    (CORVANE_VALUE_INIT / CORVANE_ERROR_INIT, or zero-filled).
 *  - corvane_invoke writes the value of every by-reference (in/out) argument
 *    back into `args` after the call: it frees the string the argument held
 *    and stores a new one. So a string argument must own malloc'd memory
 *    (never a string literal or a buffer of your own). Arguments of by-value
 *    parameters are not touched. `*result` is cleared and then set.
 *  - Error strings are malloc'd; corvane_error_clear frees them. Each
 *    failing call clears `*error` before filling it.
 *  - Event arguments belong to the library and live only during the
 *    callback.
 *  - A corvane_object is released with corvane_release, once.
 *
 * Paging: when Export answers False, its strTimeStamp may already have moved
 * past a page that was never delivered; keep the cursor you passed in, and
 * store the returned one only after a True answer and the page kept.
 *
 * Threads: corvane_initialize may be called from any thread, and any number
 * of times. An object is used only on the thread that created it, one call
 * at a time; its event callbacks run on that thread, inside the
 * corvane_invoke that raised them, and must not release the object.
 */
#ifndef CORVANE_CAPI_CORVANE_H_
#define CORVANE_CAPI_CORVANE_H_

#include <stddef.h>
#include <stdint.h>

#if defined(__GNUC__)
#define CORVANE_API __attribute__((visibility("default")))
#else
#define CORVANE_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Status of every call. */
#define CORVANE_OK 0
/* The component raised a run-time error; corvane_error says which. */
#define CORVANE_ERR_RUNTIME 1
/* A null pointer or a bad value was handed to this interface (error 5). */
#define CORVANE_ERR_ARGUMENT 2

typedef struct corvane_object corvane_object;

typedef enum corvane_type {
  CORVANE_EMPTY = 0,
  CORVANE_NULL = 1,
  CORVANE_BOOL = 2,
  CORVANE_LONG = 3,
  CORVANE_DOUBLE = 4,
  CORVANE_STRING = 5,
  /* An optional argument left out in the middle of the list: the parameter
   * gets its default (449 when it is not optional); nothing is written back. */
  CORVANE_MISSING = 6
} corvane_type;

/* A tagged value: `type` says which field holds it. */
typedef struct corvane_value {
  corvane_type type;
  int boolean;         /* CORVANE_BOOL: 0 False, anything else True */
  int32_t long_value;  /* CORVANE_LONG */
  double double_value; /* CORVANE_DOUBLE */
  char* string;        /* CORVANE_STRING: malloc'd UTF-8, owned by the value; NULL reads as "" */
} corvane_value;

#define CORVANE_VALUE_INIT \
  { CORVANE_EMPTY, 0, 0, 0.0, NULL }

typedef struct corvane_error {
  int32_t number;    /* 0 when no error was reported */
  char* source;      /* malloc'd UTF-8 or NULL */
  char* description; /* malloc'd UTF-8 or NULL */
} corvane_error;

#define CORVANE_ERROR_INIT \
  { 0, NULL, NULL }

/* An event of an object: its DISPID and name (the Progress event of the bill
 * exchange classes is DISPID 1, "Progress", with lCur, lTotal, pSucceed and
 * sMsg) and its arguments in order. */
typedef void (*corvane_event_callback)(void* user_data, int32_t dispid, const char* event_name,
                                       const corvane_value* args, size_t nargs);

/* Registers the component's outside components and public classes, once per
 * process. corvane_create calls it; call it first to learn early of a
 * failure. */
CORVANE_API int corvane_initialize(corvane_error* error);

/* Creates an object of a public class by its ProgID. */
CORVANE_API int corvane_create(const char* prog_id, corvane_object** object, corvane_error* error);

/* Assigns a (write-only) property; the value is coerced to its type. */
CORVANE_API int corvane_put(corvane_object* object, const char* name, const corvane_value* value,
                            corvane_error* error);

/* Invokes a method by name (any letter case) with `nargs` arguments by
 * position; trailing optional ones may be left out. `args` may be NULL when
 * `nargs` is 0; `result` may be NULL. In/out arguments are written back (see
 * Ownership). */
CORVANE_API int corvane_invoke(corvane_object* object, const char* name, corvane_value* args,
                               size_t nargs, corvane_value* result, corvane_error* error);

/* The DISPID of a member name, or -1 when the class has no such member. */
CORVANE_API int32_t corvane_get_id_of_name(corvane_object* object, const char* name);

/* Attaches an event callback; `cookie` (may be NULL) receives what
 * corvane_unadvise takes to detach it. */
CORVANE_API int corvane_advise(corvane_object* object, corvane_event_callback callback,
                               void* user_data, int32_t* cookie);
CORVANE_API int corvane_unadvise(corvane_object* object, int32_t cookie);

/* Releases an object (NULL is ignored). */
CORVANE_API void corvane_release(corvane_object* object);

/* Frees a value's string and makes it CORVANE_EMPTY. */
CORVANE_API void corvane_value_clear(corvane_value* value);
/* Clears a value and makes it a CORVANE_STRING holding a copy of `text`
 * (NULL as ""). Fails only when memory runs out. */
CORVANE_API int corvane_value_set_string(corvane_value* value, const char* text);
/* Frees a string the library handed out. */
CORVANE_API void corvane_free_string(char* text);
/* Frees an error's strings and zeroes it. */
CORVANE_API void corvane_error_clear(corvane_error* error);

#ifdef __cplusplus
}
#endif

#endif /* CORVANE_CAPI_CORVANE_H_ */
