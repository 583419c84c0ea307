/* LD_PRELOAD shim for containers without /dev/snd/seq: Qtractor will not start its
 * audio engine unless it can open an ALSA sequencer client.  Every call that takes a
 * sequencer handle is answered here by an empty sequencer (no other clients, no
 * events); the info-struct helpers stay libasound's own.  The DAW test needs audio
 * only, so nothing ever flows through this.  No ALSA headers are needed: the handles
 * and structs are only passed through. */
typedef struct snd_seq snd_seq_t;
typedef struct snd_seq_event snd_seq_event_t;
typedef struct snd_seq_client_info snd_seq_client_info_t;
typedef struct snd_seq_port_info snd_seq_port_info_t;
typedef struct snd_seq_queue_status snd_seq_queue_status_t;
typedef struct snd_seq_queue_tempo snd_seq_queue_tempo_t;
typedef struct snd_seq_queue_timer snd_seq_queue_timer_t;
typedef struct snd_seq_query_subscribe snd_seq_query_subscribe_t;
typedef struct snd_seq_remove_events snd_seq_remove_events_t;
typedef struct snd_seq_port_subscribe snd_seq_port_subscribe_t;
#include <errno.h>
#include <poll.h>
#include <unistd.h>

static int fake_handle;
static int never_readable[2] = {-1, -1};

int snd_seq_open(snd_seq_t **seq, const char *name, int streams, int mode)
{
    (void)name; (void)streams; (void)mode;
    /* The MIDI thread polls the sequencer: give it a pipe nobody writes to. */
    if (never_readable[0] < 0 && pipe(never_readable) != 0)
        return -errno;
    *seq = (snd_seq_t *)&fake_handle;
    return 0;
}

int snd_seq_close(snd_seq_t *seq) { (void)seq; return 0; }
int snd_seq_set_client_name(snd_seq_t *seq, const char *name) { (void)seq; (void)name; return 0; }
int snd_seq_client_id(snd_seq_t *seq) { (void)seq; return 128; }
int snd_seq_alloc_queue(snd_seq_t *seq) { (void)seq; return 0; }
int snd_seq_free_queue(snd_seq_t *seq, int q) { (void)seq; (void)q; return 0; }
int snd_seq_control_queue(snd_seq_t *seq, int q, int type, int value, snd_seq_event_t *ev)
{
    (void)seq; (void)q; (void)type; (void)value; (void)ev;
    return 0;
}

static int next_port;
int snd_seq_create_simple_port(snd_seq_t *seq, const char *name, unsigned int caps, unsigned int type)
{
    (void)seq; (void)name; (void)caps; (void)type;
    return next_port++;
}
int snd_seq_delete_simple_port(snd_seq_t *seq, int port) { (void)seq; (void)port; return 0; }
int snd_seq_drain_output(snd_seq_t *seq) { (void)seq; return 0; }
int snd_seq_drop_input(snd_seq_t *seq) { (void)seq; return 0; }
int snd_seq_drop_output(snd_seq_t *seq) { (void)seq; return 0; }
int snd_seq_event_input(snd_seq_t *seq, snd_seq_event_t **ev) { (void)seq; *ev = NULL; return -EAGAIN; }
int snd_seq_event_input_pending(snd_seq_t *seq, int fetch) { (void)seq; (void)fetch; return 0; }
int snd_seq_event_output(snd_seq_t *seq, snd_seq_event_t *ev) { (void)seq; (void)ev; return 0; }
int snd_seq_event_output_direct(snd_seq_t *seq, snd_seq_event_t *ev) { (void)seq; (void)ev; return 0; }
int snd_seq_free_event(snd_seq_event_t *ev) { (void)ev; return 0; }
int snd_seq_get_any_client_info(snd_seq_t *seq, int client, snd_seq_client_info_t *info)
{
    (void)seq; (void)client; (void)info;
    return -ENOENT;
}
int snd_seq_get_any_port_info(snd_seq_t *seq, int client, int port, snd_seq_port_info_t *info)
{
    (void)seq; (void)client; (void)port; (void)info;
    return -ENOENT;
}
int snd_seq_get_port_info(snd_seq_t *seq, int port, snd_seq_port_info_t *info)
{
    (void)seq; (void)port; (void)info;
    return 0;
}
int snd_seq_set_port_info(snd_seq_t *seq, int port, snd_seq_port_info_t *info)
{
    (void)seq; (void)port; (void)info;
    return 0;
}
int snd_seq_get_queue_status(snd_seq_t *seq, int q, snd_seq_queue_status_t *status)
{
    (void)seq; (void)q; (void)status;
    return 0;
}
int snd_seq_get_queue_tempo(snd_seq_t *seq, int q, snd_seq_queue_tempo_t *tempo)
{
    (void)seq; (void)q; (void)tempo;
    return 0;
}
int snd_seq_set_queue_tempo(snd_seq_t *seq, int q, snd_seq_queue_tempo_t *tempo)
{
    (void)seq; (void)q; (void)tempo;
    return 0;
}
int snd_seq_set_queue_timer(snd_seq_t *seq, int q, snd_seq_queue_timer_t *timer)
{
    (void)seq; (void)q; (void)timer;
    return 0;
}
int snd_seq_poll_descriptors_count(snd_seq_t *seq, short events) { (void)seq; (void)events; return 1; }
int snd_seq_poll_descriptors(snd_seq_t *seq, struct pollfd *pfds, unsigned int space, short events)
{
    (void)seq;
    if (space < 1)
        return 0;
    pfds[0].fd = never_readable[0];
    pfds[0].events = events;
    pfds[0].revents = 0;
    return 1;
}
int snd_seq_query_next_client(snd_seq_t *seq, snd_seq_client_info_t *info) { (void)seq; (void)info; return -ENOENT; }
int snd_seq_query_next_port(snd_seq_t *seq, snd_seq_port_info_t *info) { (void)seq; (void)info; return -ENOENT; }
int snd_seq_query_port_subscribers(snd_seq_t *seq, snd_seq_query_subscribe_t *subs)
{
    (void)seq; (void)subs;
    return -ENOENT;
}
int snd_seq_remove_events(snd_seq_t *seq, snd_seq_remove_events_t *rm) { (void)seq; (void)rm; return 0; }
int snd_seq_subscribe_port(snd_seq_t *seq, snd_seq_port_subscribe_t *sub) { (void)seq; (void)sub; return 0; }
int snd_seq_unsubscribe_port(snd_seq_t *seq, snd_seq_port_subscribe_t *sub) { (void)seq; (void)sub; return 0; }
