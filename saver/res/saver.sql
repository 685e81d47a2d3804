UPDATE Component SET Condition = 'NOT ALLUSERS' WHERE Component = 'UserScreenSaver'
