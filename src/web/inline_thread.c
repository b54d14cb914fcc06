/* Threads for a page without shared memory: a thread asked for runs its work to the end at
 * once, on the calling thread, and joining it finds it finished. The texture bank decodes its
 * pictures on "as many threads as there are cores"; here the first such thread decodes them
 * all and the others find nothing left, so the bank's code stays as it is on the desktop.
 * Without this, emscripten's own pthread_create (a weak stub) fails and std::thread aborts.
 * Linked into the web executable as an object, ahead of the C library's stubs. */
#include <pthread.h>

enum { kFirstThreadId = 1 };

static unsigned long started_threads;

int pthread_create(pthread_t* thread, const pthread_attr_t* attributes, void* (*work)(void*),
                   void* argument)
{
    (void)attributes;
    /* A non-zero id: std::thread takes zero for "no thread". */
    *thread = (pthread_t)(kFirstThreadId + started_threads++);
    work(argument);
    return 0;
}

int pthread_join(pthread_t thread, void** result)
{
    (void)thread;
    if (result != NULL) {
        *result = NULL;
    }
    return 0;
}

int pthread_detach(pthread_t thread)
{
    (void)thread;
    return 0;
}
