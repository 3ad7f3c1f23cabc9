/*
 * Prints the parts of a machine snapshot that no Solaris tool prints in the snapshot's own
 * format (docs/machine-snapshots.md); capture-snapshot.sh builds and runs it on the machine.
 *
 *   snapshot-helper devinfo    the device tree, one block per node, children first
 *   snapshot-helper sysinfo    hw_serial, hw_provider, platform and hostid
 *   snapshot-helper sysconf    PAGESIZE, PHYS_PAGES and AVPHYS_PAGES
 *   snapshot-helper openprom   the string properties of the PROM's root node
 *
 * Build: cc -o snapshot-helper snapshot-helper.c -ldevinfo
 */
#include <fcntl.h>
#include <libdevinfo.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/openpromio.h>
#include <sys/systeminfo.h>
#include <unistd.h>

#define PROM_BUFFER 32768
#define PROM_VALUE (PROM_BUFFER - 8)

/* Text on one line: line ends and other control characters become blanks. */
static void put_text(const char *s, int n) {
  int i;
  for (i = 0; i < n && s[i] != '\0'; i++) putchar((unsigned char)s[i] < ' ' ? ' ' : s[i]);
}

static void put_ints(const char *kind, const char *name, const int *v, int n) {
  int i;
  printf("%s %s int", kind, name);
  for (i = 0; i < n; i++) printf(" %d", v[i]);
  putchar('\n');
}

static void put_int64s(const char *name, const int64_t *v, int n) {
  int i;
  printf("prop %s int64", name);
  for (i = 0; i < n; i++) printf(" %lld", (long long)v[i]);
  putchar('\n');
}

static void put_string(const char *kind, const char *name, const char *s) {
  printf("%s %s string ", kind, name);
  put_text(s, (int)strlen(s));
  putchar('\n');
}

static void node_props(di_node_t node) {
  di_prop_t p = DI_PROP_NIL;
  while ((p = di_prop_next(node, p)) != DI_PROP_NIL) {
    const char *name = di_prop_name(p);
    int *ints;
    int64_t *int64s;
    char *strings;
    int n;
    switch (di_prop_type(p)) {
      case DI_PROP_TYPE_BOOLEAN: printf("prop %s boolean\n", name); break;
      case DI_PROP_TYPE_INT:
        if ((n = di_prop_ints(p, &ints)) > 0) put_ints("prop", name, ints, n);
        break;
      case DI_PROP_TYPE_INT64:
        if ((n = di_prop_int64(p, &int64s)) > 0) put_int64s(name, int64s, n);
        break;
      case DI_PROP_TYPE_STRING:
        if (di_prop_strings(p, &strings) > 0) put_string("prop", name, strings);
        break;
      default: break;
    }
  }
}

/* The PROM properties the display providers read: model, v_freq, width and height. */
static void prom_props(di_node_t node, di_prom_handle_t prom) {
  static const char *const ints[] = {"v_freq", "width", "height"};
  char *model;
  int *values;
  int i, n;
  if (prom == DI_PROM_HANDLE_NIL) return;
  if (di_prom_prop_lookup_strings(prom, node, "model", &model) > 0) put_string("prom", "model", model);
  for (i = 0; i < 3; i++) {
    if ((n = di_prom_prop_lookup_ints(prom, node, ints[i], &values)) > 0) put_ints("prom", ints[i], values, n);
  }
}

static di_prom_handle_t s_prom = DI_PROM_HANDLE_NIL;

static int visit(di_node_t node, void *arg) {
  char *path = di_devfs_path(node);
  const char *driver = di_driver_name(node);
  di_minor_t minor = di_minor_next(node, DI_MINOR_NIL);
  (void)arg;
  printf("path %s\nnode %s\n", path != NULL ? path : "", di_node_name(node));
  if (driver != NULL) printf("driver %s\n", driver);
  printf("instance %d\n", di_instance(node));
  if (minor != DI_MINOR_NIL && di_minor_nodetype(minor) != NULL) printf("nodetype %s\n", di_minor_nodetype(minor));
  node_props(node);
  prom_props(node, s_prom);
  putchar('\n');
  if (path != NULL) di_devfs_path_free(path);
  return DI_WALK_CONTINUE;
}

static int devinfo(void) {
  di_node_t root = di_init("/", DINFOCPYALL);
  if (root == DI_NODE_NIL) return 1;
  s_prom = di_prom_init();
  printf("# device tree of a children-first walk\n");
  di_walk_node(root, DI_WALK_CLDFIRST, NULL, visit);
  if (s_prom != DI_PROM_HANDLE_NIL) di_prom_fini(s_prom);
  di_fini(root);
  return 0;
}

static int sysinfo_values(void) {
  static const struct { int command; const char *name; } items[] = {
      {SI_HW_SERIAL, "hw_serial"}, {SI_HW_PROVIDER, "hw_provider"}, {SI_PLATFORM, "platform"}};
  char buffer[257];
  int i;
  for (i = 0; i < 3; i++) {
    if (sysinfo(items[i].command, buffer, sizeof buffer) < 0) continue;
    printf("%s=", items[i].name);
    put_text(buffer, (int)sizeof buffer);
    putchar('\n');
  }
  printf("hostid=%lu\n", (unsigned long)(unsigned int)gethostid());
  return 0;
}

static int sysconf_values(void) {
  printf("PAGESIZE=%ld\nPHYS_PAGES=%ld\nAVPHYS_PAGES=%ld\n", sysconf(_SC_PAGESIZE), sysconf(_SC_PHYS_PAGES),
         sysconf(_SC_AVPHYS_PAGES));
  return 0;
}

/* Every property of the root node whose value is text (banner-name, model, name, ...). */
static int openprom(void) {
  char name[OBP_MAXPROPNAME];
  union { char buf[PROM_BUFFER]; struct openpromio opp; } u;
  int fd = open("/dev/openprom", O_RDONLY);
  if (fd < 0) return 1;
  memset(&u, 0, sizeof u);
  u.opp.oprom_size = PROM_VALUE;
  *(int *)u.opp.oprom_array = 0;
  if (ioctl(fd, OPROMNEXT, &u.opp) < 0) {
    close(fd);
    return 1;
  }
  name[0] = '\0';
  for (;;) {
    memset(&u, 0, sizeof u);
    u.opp.oprom_size = PROM_VALUE;
    strncpy(u.opp.oprom_array, name, OBP_MAXPROPNAME);
    if (ioctl(fd, OPROMNXTPROP, &u.opp) < 0 || u.opp.oprom_size == 0) break;
    strncpy(name, u.opp.oprom_array, OBP_MAXPROPNAME - 1);
    name[OBP_MAXPROPNAME - 1] = '\0';
    memset(&u, 0, sizeof u);
    u.opp.oprom_size = PROM_VALUE;
    strncpy(u.opp.oprom_array, name, OBP_MAXPROPNAME);
    if (ioctl(fd, OPROMGETPROP, &u.opp) < 0 || u.opp.oprom_size <= 0 || u.opp.oprom_size >= PROM_VALUE) continue;
    if (u.opp.oprom_array[u.opp.oprom_size - 1] != '\0') continue; /* not text */
    printf("%s=", name);
    put_text(u.opp.oprom_array, (int)u.opp.oprom_size);
    putchar('\n');
  }
  close(fd);
  return 0;
}

int main(int argc, char **argv) {
  if (argc != 2) return 2;
  if (strcmp(argv[1], "devinfo") == 0) return devinfo();
  if (strcmp(argv[1], "sysinfo") == 0) return sysinfo_values();
  if (strcmp(argv[1], "sysconf") == 0) return sysconf_values();
  if (strcmp(argv[1], "openprom") == 0) return openprom();
  return 2;
}
