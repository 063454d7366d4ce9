/* The least work rosterbook's two PDFs of a member list without pictures need: the yardstick
 * scripts/bench times the text cases against.
 *
 *   text_floor [members.csv]   (default members.csv; writes booklet.pdf and standard.pdf)
 *
 * It reads the list scripts/bench makes (Role,First,Last,Address,City,Zip,Phone,Cell,Email,
 * Note; no quoted fields), puts each role's members in a section sorted by last and first
 * name, and draws what rosterbook draws for them on Letter paper with the same libharu
 * calls: Helvetica and Helvetica-Bold (WinAnsi), a card of six lines in a grey frame, 24
 * cards a portrait page in 3 columns and 14 a booklet page in 2, each section's heading and
 * rule, the page number and running head of each continued page, a cover and the picture
 * pages' placeholders; the booklet's pages padded to a multiple of four and imposed two to
 * a landscape side, and both files compressed (HPDF_COMP_ALL) and saved.
 *
 * What it leaves out: every check and message (encodings, headings, settings, lengths that
 * do not fit, private members), collation (it compares bytes), fitting (no text is
 * measured: every line is taken to fit, as it does in the bench's list), households, the
 * callers' own layout, /ViewerPreferences and the trailer /ID rosterbook adds after libharu
 * has saved (libharu 2.3.0 cannot write the duplex preference), and the print shop's file.
 */
#include <hpdf.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { FIELDS = 10, MAX_LINE = 1024 };
enum { ROLE, FIRST, LAST, ADDRESS, CITY, ZIP, PHONE, CELL, EMAIL, NOTE };

typedef struct {
    char *field[FIELDS];
    char *line;
} Member;

static const char *SECTIONS[][2] = {
    {"Caller", "Callers"}, {"Cuer", "Cuers"}, {"Member", "Members"}, {"New Dancer", "New Dancers"}};
enum { SECTION_COUNT = 4 };

typedef struct {
    float width, height, margin, top; /* points */
    int columns, rows;
} Geometry;

static const Geometry STANDARD = {612, 792, 28, 752, 3, 8};
static const Geometry BOOKLET = {396, 612, 22, 560, 2, 7};
static const float CARD_HEIGHT = 74, GAP = 10, LINE_STEP = 11.5f;

static HPDF_Font regular, bold;

static int by_name(const void *a, const void *b) {
    const Member *x = a, *y = b;
    int order = strcmp(x->field[LAST], y->field[LAST]);
    return order != 0 ? order : strcmp(x->field[FIRST], y->field[FIRST]);
}

static void text(HPDF_Page page, HPDF_Font font, float size, float x, float y, const char *s) {
    HPDF_Page_BeginText(page);
    HPDF_Page_SetFontAndSize(page, font, size);
    HPDF_Page_MoveTextPos(page, x, y);
    HPDF_Page_ShowText(page, s);
    HPDF_Page_EndText(page);
}

static void draw_card(HPDF_Page page, const Member *m, float x, float top, float width) {
    char line[MAX_LINE];
    HPDF_Page_SetRGBFill(page, 0, 0, 0);
    HPDF_Page_SetRGBStroke(page, 0.83f, 0.83f, 0.83f);
    HPDF_Page_SetLineWidth(page, 0.6f);
    HPDF_Page_Rectangle(page, x, top - CARD_HEIGHT, width, CARD_HEIGHT);
    HPDF_Page_Stroke(page);
    HPDF_Page_SetRGBFill(page, 0, 0, 0);
    snprintf(line, sizeof line, "%s %s", m->field[FIRST], m->field[LAST]);
    text(page, bold, 8.5f, x + 4, top - 13.5f, line);
    snprintf(line, sizeof line, "%s  %s", m->field[CITY], m->field[ZIP]);
    const char *rest[] = {m->field[ADDRESS], line, m->field[PHONE], m->field[EMAIL], m->field[NOTE]};
    for (int i = 0; i < 5; ++i) text(page, regular, 8, x + 4, top - 13.5f - LINE_STEP * (i + 1), rest[i]);
}

/* Draws one page of a section at offset x0 of its sheet: `count` members from `first`. */
static void draw_section_page(HPDF_Page page, const Geometry *g, float x0, int number, const char *title,
                              int continued, const Member *first, int count) {
    char head[MAX_LINE];
    snprintf(head, sizeof head, "%d", number);
    HPDF_Page_SetRGBFill(page, 0.1f, 0.23f, 0.36f);
    text(page, regular, 7.5f, x0 + g->margin, g->height - g->margin - 8, head);
    float after = x0 + g->margin + HPDF_Page_TextWidth(page, head) + 9;
    if (continued) {
        snprintf(head, sizeof head, "%s (continued) \267 %s \226 %s", title, first->field[LAST],
                 first[count - 1].field[LAST]);
        text(page, regular, 7.5f, after, g->height - g->margin - 8, head);
    } else {
        text(page, bold, 13, after, g->height - g->margin - 8, title);
        HPDF_Page_SetRGBStroke(page, 0.1f, 0.23f, 0.36f);
        HPDF_Page_SetLineWidth(page, 1);
        HPDF_Page_MoveTo(page, x0 + g->margin, g->height - g->margin - 18);
        HPDF_Page_LineTo(page, x0 + g->width - g->margin, g->height - g->margin - 18);
        HPDF_Page_Stroke(page);
    }
    const float width = (g->width - 2 * g->margin - GAP * (g->columns - 1)) / g->columns;
    for (int i = 0; i < count; ++i) {
        const float x = x0 + g->margin + (i % g->columns) * (width + GAP);
        draw_card(page, &first[i], x, g->top - (i / g->columns) * (CARD_HEIGHT + 4), width);
    }
}

static void draw_placeholder(HPDF_Page page, const Geometry *g, float x0, const char *what) {
    HPDF_Page_SetRGBFill(page, 0.8f, 0.86f, 0.93f);
    HPDF_Page_Rectangle(page, x0, 0, g->width, g->height);
    HPDF_Page_Fill(page);
    HPDF_Page_SetRGBFill(page, 0.1f, 0.23f, 0.36f);
    text(page, regular, 9, x0 + g->width / 2 - 40, g->height / 2, what);
}

/* A page of the document as it reads: a placeholder (what != NULL) or a section's cards. */
typedef struct {
    const char *what, *title;
    int continued, count;
    const Member *first;
} Page;

static void draw_page(HPDF_Page sheet, const Geometry *g, float x0, const Page *p, int number) {
    if (p->what)
        draw_placeholder(sheet, g, x0, p->what);
    else if (p->title)
        draw_section_page(sheet, g, x0, number, p->title, p->continued, p->first, p->count);
}

/* The document's pages: cover, committee, each section's pages, schedule. */
static int plan(const Geometry *g, Member *members, int counts[], Page *pages) {
    int n = 0, per_page = g->columns * g->rows;
    pages[n++] = (Page){"[cover.png not found]", NULL, 0, 0, NULL};
    pages[n++] = (Page){"[committee.png not found]", NULL, 0, 0, NULL};
    for (int s = 0, start = 0; s < SECTION_COUNT; start += counts[s++]) {
        for (int i = 0; i < counts[s]; i += per_page) {
            int count = counts[s] - i < per_page ? counts[s] - i : per_page;
            pages[n++] = (Page){NULL, SECTIONS[s][1], i > 0, count, members + start + i};
        }
    }
    pages[n++] = (Page){"[schedule.png not found]", NULL, 0, 0, NULL};
    return n;
}

static HPDF_Doc new_document(void) {
    HPDF_Doc pdf = HPDF_New(NULL, NULL);
    HPDF_SetCompressionMode(pdf, HPDF_COMP_ALL);
    regular = HPDF_GetFont(pdf, "Helvetica", "WinAnsiEncoding");
    bold = HPDF_GetFont(pdf, "Helvetica-Bold", "WinAnsiEncoding");
    return pdf;
}

static void write_standard(Page *pages, int n) {
    HPDF_Doc pdf = new_document();
    for (int i = 0; i < n; ++i) {
        HPDF_Page page = HPDF_AddPage(pdf);
        HPDF_Page_SetWidth(page, STANDARD.width);
        HPDF_Page_SetHeight(page, STANDARD.height);
        draw_page(page, &STANDARD, 0, &pages[i], i + 1);
    }
    HPDF_SaveToFile(pdf, "standard.pdf");
    HPDF_Free(pdf);
}

/* Saddle-stitch imposition: sheet side k holds pages (n-1-k, k) on its front, (k, n-1-k) on its back. */
static void write_booklet(Page *pages, int n) {
    HPDF_Doc pdf = new_document();
    const int padded = (n + 3) / 4 * 4;
    Page blank = {NULL, NULL, 0, 0, NULL};
    for (int side = 0; side < padded / 2; ++side) {
        const int low = side, high = padded - 1 - side;
        const int left = side % 2 == 0 ? high : low, right = side % 2 == 0 ? low : high;
        HPDF_Page sheet = HPDF_AddPage(pdf);
        HPDF_Page_SetWidth(sheet, 2 * BOOKLET.width);
        HPDF_Page_SetHeight(sheet, BOOKLET.height);
        draw_page(sheet, &BOOKLET, 0, left < n ? &pages[left] : &blank, left + 1);
        draw_page(sheet, &BOOKLET, BOOKLET.width, right < n ? &pages[right] : &blank, right + 1);
    }
    HPDF_SaveToFile(pdf, "booklet.pdf");
    HPDF_Free(pdf);
}

int main(int argc, char **argv) {
    FILE *file = fopen(argc > 1 ? argv[1] : "members.csv", "r");
    if (!file) return 1;
    int capacity = 1024, total = 0;
    Member *read = malloc(sizeof *read * capacity);
    char buffer[MAX_LINE];
    fgets(buffer, sizeof buffer, file); /* the headings */
    while (fgets(buffer, sizeof buffer, file)) {
        if (total == capacity) read = realloc(read, sizeof *read * (capacity *= 2));
        Member *m = &read[total++];
        m->line = strdup(buffer);
        m->line[strcspn(m->line, "\r\n")] = 0;
        char *cursor = m->line;
        for (int f = 0; f < FIELDS; ++f) m->field[f] = cursor ? strsep(&cursor, ",") : "";
    }
    fclose(file);
    Member *members = malloc(sizeof *members * (total ? total : 1));
    int counts[SECTION_COUNT] = {0}, placed = 0;
    for (int s = 0; s < SECTION_COUNT; ++s) {
        for (int i = 0; i < total; ++i) {
            if (strcmp(read[i].field[ROLE], SECTIONS[s][0]) == 0) members[placed + counts[s]++] = read[i];
        }
        qsort(members + placed, counts[s], sizeof *members, by_name);
        placed += counts[s];
    }
    Page *pages = malloc(sizeof *pages * (total / 14 + 16));
    write_standard(pages, plan(&STANDARD, members, counts, pages));
    write_booklet(pages, plan(&BOOKLET, members, counts, pages));
    for (int i = 0; i < total; ++i) free(read[i].line);
    free(read);
    free(members);
    free(pages);
    return 0;
}
