// The reader midlet of the fix template. A fix suite replaces a suite that a
// phone refuses to delete; once installed over it, this midlet shows a short
// note and can be exited and deleted like any other.
package br;

import javax.microedition.lcdui.Command;
import javax.microedition.lcdui.CommandListener;
import javax.microedition.lcdui.Display;
import javax.microedition.lcdui.Displayable;
import javax.microedition.lcdui.TextBox;
import javax.microedition.lcdui.TextField;
import javax.microedition.midlet.MIDlet;

public class BookReader extends MIDlet implements CommandListener {
    private static final String TITLE = "Book Reader";
    private static final String NOTE =
        "This suite took the place of one that could not be removed. "
        + "Choose Exit, then delete it from the applications menu.";

    private final Command exitCommand = new Command("Exit", Command.EXIT, 1);
    private TextBox page;

    protected void startApp() {
        if (page == null) {
            page = new TextBox(TITLE, NOTE, 256, TextField.ANY | TextField.UNEDITABLE);
            page.addCommand(exitCommand);
            page.setCommandListener(this);
        }
        Display.getDisplay(this).setCurrent(page);
    }

    protected void pauseApp() {
    }

    protected void destroyApp(boolean unconditional) {
    }

    public void commandAction(Command command, Displayable displayable) {
        if (command == exitCommand) {
            destroyApp(true);
            notifyDestroyed();
        }
    }
}
// SPDX-License-Identifier: MIT
