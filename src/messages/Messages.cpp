#include "Messages.h"

#include "Contact.h"
#include "WindowOperations.h"

namespace lumaril {

QString aboutPrompt()
{
    return QStringLiteral("This is a Lumaril . You can search any word or phrase in the Quran "
                          "and it will show you the results ! ")
            + lineBreak + QStringLiteral("Made on 23 / 02 / 07 . ") + lineBreak
            + QStringLiteral("Made by Vessim Orlek !");
}

QString emailPrompt()
{
    return QStringLiteral("My Email ID is ") + contact::email + u' ';
}

QString websitePrompt()
{
    return QStringLiteral("My website is ") + contact::website + QStringLiteral(" . ") + lineBreak
            + QStringLiteral("Please visit it !");
}

void exitProgram(WindowOperations &ops)
{
    ops.unloadWindow();
    ops.endProgram();
}

void Form_Unload(WindowOperations &ops)
{
    ops.showInformation(QStringLiteral("Thanks for using my software ! "), QStringLiteral("Thanks !"));
}

void showAbout(WindowOperations &ops)
{
    ops.showInformation(aboutPrompt(), QStringLiteral("About !"));
}

void showEmail(WindowOperations &ops)
{
    ops.showInformation(emailPrompt(), QStringLiteral("My Email ID !"));
}

void showWebsite(WindowOperations &ops)
{
    ops.showInformation(websitePrompt(), QStringLiteral("My Website !"));
}

} // namespace lumaril
