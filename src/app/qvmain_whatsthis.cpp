// What's this?: the button turns the pointer into Qt's what's-this mode, and
// a click on a control shows what it does, in a sentence or two.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <QWhatsThis>

#include "app/db_controls.h"
#include "app/qvmain.h"

namespace qv {

void TQVPMain::SetWhatsThisTexts() {
  const std::pair<QWidget*, const char*> texts[] = {
      {MainButton, "Shows one contact at a time, to read, add or change it."},
      {BrowseButton, "Shows the contacts as a list, one row each, in the current order."},
      {FilterButton,
       "Chooses which contacts are shown: type the beginning of what a field must hold."},
      {ExitButton, "Closes Quorvane."},
      {HelpButton, "Opens the help at the page about this window."},
      {WhatsThisButton, "Click this, then any control, to see what the control does."},
      {DBLName, "The contact's last name. The Last Name order sorts by it."},
      {DBFName, "The contact's first name."},
      {DBMiddle, "The middle name or initial."},
      {DBPrefix, "The form of address, such as Mr. or Dr. A prefix of DELETED hides the record."},
      {DBTitle, "The contact's job title, printed under the name when the label asks for it."},
      {DBOrg, "The company or organization."},
      {DBStreet, "The street address, as it is printed on the mail."},
      {DBCity, "The city or town."},
      {DBState, "The two-letter state or province code."},
      {DBZip, "The ZIP or post code. Labels print the POSTNET bar code from a US ZIP code."},
      {DBCountry, "The country; leave it empty for the United States."},
      {DBDate, "A date of your choice, in the format shown beside it (set in Preferences)."},
      {DBPhone, "The telephone number. Dial calls it through the modem."},
      {DBFax, "The fax number."},
      {DBEmail, "The e-mail address."},
      {DBNotes, "A short note about the contact."},
      {DBMemoBox, "Any amount of text about the contact. Search Memo finds text in it."},
      {AddButton, "Starts a new contact. Preferences decide which parts of the address it takes "
                  "from the contact shown."},
      {EditButton, "Lets you change the contact shown; Save keeps the change, Cancel drops it."},
      {SaveButton, "Stores the contact as you typed it."},
      {CancelButton, "Drops what you typed and shows the contact as it was."},
      {DeleteButton, "Deletes the contact shown, after asking."},
      {SearchButton, "Finds a contact by the beginning of its key in the current order."},
      {DialButton, "Dials the contact's phone number through the modem."},
      {SearchMemoButton, "Finds the first contact, in the current order, whose memo holds a text."},
      {SearchMemoNextButton, "Finds the next contact whose memo holds the same text."},
      {RecordPrev, "Shows the contact before this one in the current order."},
      {RecordNext, "Shows the contact after this one in the current order."},
      {BrowseGrid,
       "The contacts in the current order, one row each; the selected row is the "
       "contact the Main page shows."},
      {BrowsePrev, "Moves to the contact before the selected one."},
      {BrowseNext, "Moves to the contact after the selected one."},
      {qMatchCount, "How many contacts the filter shows."},
      {qSetFilterButton, "Applies the filter typed in the boxes and counts the contacts it shows."},
      {qClearButton, "Empties the boxes and shows every contact again."},
  };
  for (const auto& [widget, text] : texts) {
    if (widget != nullptr) widget->setWhatsThis(QString::fromLatin1(text));
  }
  for (int i = 0; i < FilterBoxes.size() && i < FilterLabels.size(); ++i) {
    QString field = FilterLabels[i]->text();
    field.remove(QLatin1Char('&'));
    FilterBoxes[i]->setWhatsThis(
        QStringLiteral("Shows only the contacts whose %1 begins with what you type here; "
                       "letter case does not matter. Set Now applies it.")
            .arg(field.trimmed()));
  }
}

void TQVPMain::WhatsThisButtonClick() { QWhatsThis::enterWhatsThisMode(); }

}  // namespace qv
