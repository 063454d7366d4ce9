// Document output: creates the booklet and the standard PDF with libharu, has every
// page composed, saves both files and reports them.
#pragma once

#include <hpdf.h>

#include "app/page_plan.h"
#include "roster/roster.h"
#include "settings/settings.h"

// libharu's error handler: writes the error (and, for the codes a user can cause, what
// to do about it) to stderr and ends the process with status 1. Never returns.
void on_pdf_error(HPDF_STATUS error_no, HPDF_STATUS detail_no, void* user_data);

// Creates, composes and saves both documents as `plan` lays them out, then writes the
// two closing report lines. Returns false, after a one-line message, when a document or
// a page array cannot be created; libharu errors end the process in on_pdf_error.
bool produce_documents(const Settings& settings, const RosterGroups& groups, const PagePlan& plan);
