/* Adds one row to a table of a .mdb file through mdbtools' own writer
 * (libmdb's mdb_insert_row, the code behind mdbtools' mdb-import), so the
 * Jet engine tests can check that files it writes accept another writer.
 *
 *   mdb_insert FILE TABLE VALUE...
 *
 * One VALUE per column in table order: decimal for integers, 1/0 for Yes/No,
 * UTF-8 for text, \N for null. Exit status 0 when the row was stored.
 * Text goes in as UTF-16LE: libmdb 1.0 stores text bytes as given. */
#include <mdbtools.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* UTF-8 to UTF-16LE (characters of the Basic Multilingual Plane). */
static size_t toUtf16(const char *s, unsigned char *out) {
  size_t n = 0;
  const unsigned char *p = (const unsigned char *)s;
  while (*p) {
    unsigned cp;
    if (*p < 0x80) {
      cp = *p++;
    } else if ((*p & 0xE0) == 0xC0) {
      cp = (unsigned)(*p++ & 0x1F) << 6;
      cp |= *p++ & 0x3F;
    } else {
      cp = (unsigned)(*p++ & 0x0F) << 12;
      cp |= (unsigned)(*p++ & 0x3F) << 6;
      cp |= *p++ & 0x3F;
    }
    out[n++] = (unsigned char)(cp & 0xFF);
    out[n++] = (unsigned char)(cp >> 8);
  }
  return n;
}

int main(int argc, char **argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: mdb_insert FILE TABLE VALUE...\n");
    return 2;
  }
  MdbHandle *mdb = mdb_open(argv[1], MDB_WRITABLE);
  if (!mdb) return 1;
  MdbTableDef *table = mdb_read_table_by_name(mdb, argv[2], MDB_TABLE);
  if (!table) {
    fprintf(stderr, "no table %s\n", argv[2]);
    return 1;
  }
  mdb_read_columns(table);
  mdb_read_indices(table);
  mdb_rewind_table(table);
  int count = argc - 3;
  if (count != (int)table->num_cols) {
    fprintf(stderr, "table has %u columns, %d values given\n", table->num_cols, count);
    return 1;
  }
  MdbField *fields = calloc((size_t)count, sizeof(MdbField));
  unsigned char (*numbers)[4] = calloc((size_t)count, 4);
  for (int i = 0; i < count; ++i) {
    MdbColumn *col = g_ptr_array_index(table->columns, i);
    const char *s = argv[3 + i];
    int isNull = strcmp(s, "\\N") == 0;
    void *value = (void *)s;
    int size = (int)strlen(s);
    if (col->col_type == MDB_LONGINT && !isNull) {
      long v = strtol(s, NULL, 10);
      for (int k = 0; k < 4; ++k) numbers[i][k] = (unsigned char)(v >> (8 * k));
      value = numbers[i];
      size = 4;
    } else if (col->col_type == MDB_TEXT && !isNull) {
      unsigned char *wide = malloc(2 * strlen(s) + 2);
      size = (int)toUtf16(s, wide);
      value = wide;
    } else if (col->col_type == MDB_BOOL) {
      /* a Yes/No value lives in the null mask: present = Yes */
      isNull = strcmp(s, "1") != 0;
      size = 0;
    }
    mdb_fill_temp_field(&fields[i], value, size, col->is_fixed, isNull, 0, col->col_num);
  }
  int ok = mdb_insert_row(table, count, fields);
  mdb_free_tabledef(table);
  mdb_close(mdb);
  return ok ? 0 : 1;
}
